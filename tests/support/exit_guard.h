// The engine ends the process itself after some messages.  In a test that is
// a failure unless the test said it expects it (inside EXPECT_EXIT): a run
// that ended with exit code 0 would otherwise pass unnoticed.
#pragma once

// Arms the guard: an EndProcess from here on fails the test run (host only;
// under Wine the missing test report shows it).
void GuardProcessExit();

// Called inside an EXPECT_EXIT statement before the code that ends the process.
void ExpectProcessExit();
