// Writing mksfx's JSON documents.
#include "json_output.h"

#include <cstdio>
#include <iostream>

#include "codepages.h"
#include "errors.h"
#include "version.h"

namespace {

const char32_t kReplacement = 0xFFFD;

void PrintFailure(const char* command, const std::string& message, int exitCode) {
  OpenJsonDocument(std::cout, command);
  std::cout << ",\n  \"error\": " << Json(message) << ",\n  \"exit_code\": " << exitCode << "\n}\n" << std::flush;
}

}  // namespace

std::string Json(const std::string& utf8) {
  std::string out = "\"";
  for (size_t at = 0; at < utf8.size();) {
    char32_t c;
    if (!DecodeUtf8(utf8, at, c)) {
      c = kReplacement;
      ++at;
    }
    if (c == U'"' || c == U'\\') {
      out += '\\';
      out += (char)c;
    } else if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
      char escape[12];
      std::snprintf(escape, sizeof escape, "\\u%04X", (unsigned)c);
      out += escape;
    } else {
      AppendUtf8(out, c);
    }
  }
  return out + "\"";
}

const char* JsonBool(bool value) { return value ? "true" : "false"; }

void OpenJsonDocument(std::ostream& out, const char* command) {
  out << "{\n  \"mksfx_version\": " << Json(kMksfxVersion) << ",\n  \"format_version\": " << kJsonFormatVersion
      << ",\n  \"command\": " << Json(command);
}

int WithJsonFailures(bool json, const char* command, const std::function<int()>& body) {
  try {
    return body();
  } catch (const UsageError& e) {
    if (json) PrintFailure(command, e.what(), kExitUsage);
    throw;
  } catch (const std::exception& e) {
    if (json) PrintFailure(command, e.what(), kExitRefused);
    throw;
  }
}

int RunJsonCommand(const CommandLine& line, const char* command, const char* help,
                   const std::function<int()>& body) {
  return WithJsonFailures(line.Has("--json"), command, [&] {
    if (!line.error.empty()) throw UsageError(line.error);
    if (line.help) {
      std::cout << help;
      return kExitSuccess;
    }
    return body();
  });
}
