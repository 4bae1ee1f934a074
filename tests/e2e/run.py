#!/usr/bin/env python3
"""Runs the end-to-end cases: each builds a program (tests/e2e/programs.py),
runs it under Wine through build/win32/sfxdriver.exe with the case's
script, and compares the driver's log, its exit status and the extracted
files with the case's expectations.

    tests/e2e/run.py [--build DIR] [--host DIR] [--win32 DIR] [--work DIR] [--keep] [PATTERN...]

PATTERN selects cases by file name (shell wildcards).  Without a display
and wineserver from scripts/wine-env the runner starts its own for the run.
The last line is the summary: "e2e: N passed, N failed, N skipped".

A case is one TOML file in tests/e2e/cases/:

    description = "what it shows"
    program = "sfx" | "stub" | "fixture"      (default "sfx")
    needs = ["MAINDIALOG"]    skipped while the stub lacks one of these
                              dialog templates
    skip = "reason"           skipped always
    pack = ["--auto-extract", "--default-folder", "{out}"]   mksfx options
    entries = [{name = "a.txt", text = "...", method = "store"}, ...]
              (text, hex, size = N pseudo-random bytes, zeros = N zero
              bytes (streamed; leave such an entry out of [files]), or
              built = "x.exe" a program of the Windows build; names ending
              in "/" are folders)
    source = "folder"         the entries are written as files (time: an odd
                              second) and mksfx packs the folder; the files
                              extracted must carry that time rounded up to
                              the even second a DOS time holds
    packer = "win32"          packed by build/win32/mksfx.exe under Wine instead
                              of the host build's mksfx
    password = "..."          every entry encrypted (written by Info-ZIP zip,
                              or by mksfx from a password file)
    refused_passwords = ["wrong"]   passwords the script types that must fail:
                              a traditional encryption header lets 1 wrong
                              password in 256 pass its check byte, so the
                              archive is written again until none does
    pad_to = 30000            program "stub": junk up to this size, then
                              `entries` as a plain archive if given
    info_file_size = 60000    an information text of that many bytes (numbered
                              lines), packed with --info-file
    damage = "central-signature" | "block-magic" | "entry-data:NAME" | "truncate:N"
    checked = true            mksfx check of the host build and mksfx.exe
                              check under Wine must print the same of the
                              program and exit alike
    sign = ["rsa4096", "nest-rsa2048", "plant"]   signing steps applied to the
                              finished program in order, each signature then
                              checked (tests/support/authenticode.py: "rsa2048",
                              "rsa4096", "timestamp-rsa2048", "nest-rsa2048",
                              "plant" an archive in the certificate table)
    args = ["icons"]          the program's arguments (each quoted on its
                              command line)
    command_line = "/S /D={out}"   text after the arguments on the program's
                              command line, as it stands (nothing quoted)
    cwd = "out"               the program's current folder: "work" (default)
                              or "out"
    env = {TEMP = "{out}\\\\temp"}   variables set in the program's environment
                              (Wine takes TEMP and TMP from its registry, not
                              from the environment the runner is given)
    batch = '''start "" /wait "{program}" /S
    exit %ERRORLEVEL%'''      the driver runs these lines as a batch file in
                              cmd.exe instead of the program ({program} is
                              its path), as a deployment tool would
    dpi = 144                 the system's DPI for the run (Wine's
                              HKCU\\Control Panel\\Desktop LogPixels; set for
                              the run, then removed)
    plant = ["uxtheme.dll"]   our marker DLL under these names beside the
                              program, which then runs from {work}; Wine is
                              told to prefer them to its own (as Windows
                              prefers a DLL in the program's folder)
    planted_loaded = [...]    the planted DLLs that must be loaded (default:
                              none may be); one counts as loaded when Wine's
                              loader trace shows it mapped from {work} or
                              its marker lies there
    timeout_ms = 30000        the driver's limit for the whole run
    script = '''...'''        the driver's steps
    expect = '''...'''        the whole log, line for line (blank lines do
                              not count); a line starting with "~ " is a
                              pattern ('*' any run)
    only = ["MESSAGEBOX", 'DIALOG title="Password needed..."', "EXIT"]
                              compare only the log lines that start so
                              (a dialog's CONTROL and LISTITEM lines go with
                              it; when some are named, as "CONTROL id=101 ",
                              only those), for cases about outcomes, not
                              layouts
    driver_status = 0         the driver's own exit status
    driver_stderr = "..."     a pattern the driver's stderr must match
    [before]                  files to put under {out} before the run,
                              name = content ("/" ending: a folder)
    [files]                   when present: every file under {out} after the
                              run, name = content ("/" ending: a folder;
                              "@entry": the archive entry's content;
                              "@entry:NAME": that of entry NAME)

    [[rows]]                  a table of cases in one file: each row (name =
                              "ROW" and any keys above) is the case with the
                              row's keys in place of the file's (tables such
                              as [files] replaced whole), named FILE.ROW;
                              PATTERN selects by either name

{out} stands for the case's destination folder (a Windows path, with
backslashes doubled inside the script and the expected log, whose strings
escape them) and {work} for its work folder; {icon} in `pack`, for a
publisher's .ico made in the work folder (tests/support/test_icon.py).
"""

import argparse
import fnmatch
import glob
import os
import re
import shutil
import subprocess
import sys
import time
import tomllib
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import programs  # noqa: E402
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'support'))
import test_icon  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
CASES_DIR = os.path.join(ROOT, 'tests', 'e2e', 'cases')

# The driver's limit for one case unless the case sets another: a
# self-extractor of a few small entries ends in about a second under Wine.
DEFAULT_TIMEOUT_MS = 30000
# Extra seconds past the driver's own limit before the runner gives up on
# the driver itself (Wine's start-up, a driver that hangs).
BACKSTOP_SECONDS = 30

# The cases' work folders go to memory when /dev/shm has this much room:
# the folder round trip writes about 300 MB, and on a slow disk the
# writeback of that many dirty pages stalled the next case's start for more
# than a driver step's time.
MEMORY_ROOT = '/dev/shm'
MEMORY_ROOM_BYTES = 2 << 30

# Wine's loader trace, on for the cases that plant DLLs: one line for every
# module mapped into a process, its path written as a C string.
PLANTED_DEBUG = '-all,+loaddll'
LOADER_TRACE = ':trace:loaddll:'
MAPPED_LINE = re.compile(r':trace:loaddll:\w+ Loaded L"(.*)" at [0-9A-Fa-f]+: ')

# A [files] value that stands for the content of the archive entry of the
# same name (for pseudo-random entries made with `size`).
SAME_AS_ENTRY = '@entry'

KNOWN_KEYS = {'description', 'program', 'needs', 'skip', 'pack', 'source', 'packer', 'entries', 'password',
              'refused_passwords',
              'pad_to', 'damage', 'sign', 'info_file_size', 'cwd', 'plant', 'planted_loaded',
              'args', 'command_line', 'timeout_ms', 'script', 'expect', 'only', 'driver_status',
              'driver_stderr', 'before', 'files', 'checked', 'env', 'batch', 'dpi', 'rows'}
ROW_KEYS = KNOWN_KEYS - {'rows'} | {'name'}

# The command interpreter that runs a case's `batch`.
CMD = 'C:\\windows\\system32\\cmd.exe'

# Where the runner sets the DPI of a case with `dpi` (the per-user value,
# which Wine prefers to the machine's).
DPI_KEY = r'HKCU\Control Panel\Desktop'


def log_escape(text):
    """A text as the driver's log (and the script language) writes it."""
    return text.replace('\\', '\\\\')


def load_cases(patterns):
    cases = []
    for path in sorted(glob.glob(os.path.join(CASES_DIR, '*.toml'))):
        name = os.path.splitext(os.path.basename(path))[0]
        with open(path, 'rb') as f:
            case = tomllib.load(f)
        unknown = set(case) - KNOWN_KEYS
        for row in case.get('rows', []):
            unknown |= set(row) - ROW_KEYS | ({'name'} - set(row))
        if unknown:
            raise SystemExit('e2e: %s: unknown or missing keys %s' % (path, ', '.join(sorted(unknown))))
        for row in case.pop('rows', [{}]):
            full = name + '.' + row['name'] if row else name
            if patterns and not any(fnmatch.fnmatch(n, p) for p in patterns for n in (name, full)):
                continue
            cases.append(dict(case, **dict(row, name=full)))
    return cases


def line_matches(expected, actual):
    if expected.startswith('~ '):
        return fnmatch.fnmatchcase(actual, expected[2:].replace('[', '[[]'))
    return expected == actual


def select_records(log, prefixes):
    """The log lines that start with one of `prefixes`.  CONTROL and LISTITEM
    lines go with the DIALOG or WINDOW line above them: all of them, or,
    when `prefixes` name some ("CONTROL id=101 "), only those."""
    kept = []
    keep_block = False
    item_prefixes = tuple(p for p in prefixes if p.split(' ')[0] in ('CONTROL', 'LISTITEM'))
    for line in log:
        if line.startswith(('CONTROL ', 'LISTITEM ')):
            if keep_block and (not item_prefixes or line.startswith(item_prefixes)):
                kept.append(line)
            continue
        keep_block = line.startswith(tuple(prefixes))
        if keep_block:
            kept.append(line)
    return kept


def compare_log(expected, actual):
    """Problems between the expected and the actual log, as text lines."""
    ok = len(expected) == len(actual) and all(map(line_matches, expected, actual))
    if ok:
        return []
    problems = ['log differs (- expected, + actual):']
    width = max(len(expected), len(actual))
    for i in range(width):
        e = expected[i] if i < len(expected) else None
        a = actual[i] if i < len(actual) else None
        if e is not None and a is not None and line_matches(e, a):
            problems.append('    ' + a)
            continue
        if e is not None:
            problems.append('  - ' + e)
        if a is not None:
            problems.append('  + ' + a)
    return problems


def tree(folder):
    """Every file and folder under `folder`: name -> bytes, or None for a
    folder (names relative, '/'-separated, folders ending in '/')."""
    found = {}
    for base, dirs, files in os.walk(folder):
        rel = os.path.relpath(base, folder)
        prefix = '' if rel == '.' else rel.replace(os.sep, '/') + '/'
        for d in dirs:
            found[prefix + d + '/'] = None
        for f in files:
            with open(os.path.join(base, f), 'rb') as fh:
                found[prefix + f] = fh.read()
    return found


def compare_files(folder, expected, entries, data_of):
    actual = tree(folder)
    by_name = {entry['name']: data_of(entry) for entry in entries}
    want = {}
    for name, content in expected.items():
        if name.endswith('/'):
            want[name] = None
        elif content == SAME_AS_ENTRY:
            want[name] = by_name.get(name, b'')
        elif content.startswith(SAME_AS_ENTRY + ':'):
            want[name] = by_name.get(content[len(SAME_AS_ENTRY) + 1:], b'')
        else:
            want[name] = content.encode('latin-1')
        # Folders that hold an expected file exist too.
        parts = name.rstrip('/').split('/')[:-1]
        for i in range(len(parts)):
            want.setdefault('/'.join(parts[:i + 1]) + '/', None)
    problems = []
    for name in sorted(set(want) | set(actual)):
        if name not in actual:
            problems.append('missing: ' + name)
        elif name not in want:
            problems.append('unexpected: ' + name)
        elif want[name] != actual[name]:
            problems.append('content differs: %s (%d bytes, expected %d)'
                            % (name, len(actual[name]), len(want[name])))
    return problems


class Runner:
    def __init__(self, host_dir, win32_dir, work_root, keep):
        self.keep = keep
        # Certificates are made once per run, on the first case that signs.
        certificates = os.path.join(work_root, 'certificates')
        shutil.rmtree(certificates, ignore_errors=True)
        self.builder = programs.Builder(host_dir, win32_dir, certificates)
        self.driver = os.path.join(win32_dir, 'sfxdriver.exe')
        self.work_root = work_root

    def skip_reason(self, case):
        if 'skip' in case:
            return case['skip']
        if not os.path.exists(self.builder.stub):
            return None  # the run reports the missing stub
        missing = [name for name in case.get('needs', [])
                   if not programs.has_dialog(self.builder.stub, name)]
        if missing:
            return 'the stub carries no %s template yet' % ', '.join(missing)
        return None

    def run(self, case):
        """Returns the list of problems (empty: passed)."""
        work = os.path.join(self.work_root, case['name'])
        shutil.rmtree(work, ignore_errors=True)
        out = os.path.join(work, 'out')
        os.makedirs(out)
        values = {'out': programs.win_path(out), 'work': programs.win_path(work)}
        if any('{icon}' in option for option in case.get('pack', [])):
            values['icon'] = os.path.join(work, 'publisher.ico')
            with open(values['icon'], 'wb') as f:
                f.write(test_icon.icon())

        def raw(text):
            for key, value in values.items():
                text = text.replace('{%s}' % key, value)
            return text

        def escaped(text):
            for key, value in values.items():
                text = text.replace('{%s}' % key, log_escape(value))
            return text

        for name, content in case.get('before', {}).items():
            path = os.path.join(out, *name.rstrip('/').split('/'))
            if name.endswith('/'):
                os.makedirs(path, exist_ok=True)
                continue
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, 'wb') as f:
                f.write(content.encode('latin-1'))

        for needed in (self.driver, self.builder.stub):
            if not os.path.exists(needed):
                return ['not built: ' + needed]
        try:
            program, args = self.builder.build(case, work, raw)
        except (programs.CaseError, OSError) as e:
            return ['cannot build the program: %s' % e]

        problems = self.builder.check_agreement(program) if case.get('checked') else []
        script = os.path.join(work, 'script.txt')
        with open(script, 'w') as f:
            f.write(escaped(case.get('script', '')))
        screenshot = os.path.join(work, 'failure.bmp')
        timeout_ms = case.get('timeout_ms', DEFAULT_TIMEOUT_MS)
        cwd = {'work': work, 'out': out}.get(case.get('cwd', 'work'))
        if cwd is None:
            return ['cwd must be "work" or "out"']
        command = ['wine', self.driver, '--timeout', str(timeout_ms),
                   '--fail-screenshot', programs.win_path(screenshot),
                   '--script', programs.win_path(script), '--cwd', programs.win_path(cwd)]
        for name, value in case.get('env', {}).items():
            command += ['--env', '%s=%s' % (name, raw(value))]
        target = programs.win_path(program)
        if 'batch' in case:
            values['program'] = target
            batch = os.path.join(work, 'run.bat')
            with open(batch, 'w', encoding='latin-1', newline='\r\n') as f:
                f.write(raw(case['batch']))
            target, args = CMD, []
            case = dict(case, command_line='/c "%s"' % programs.win_path(batch))
        if 'command_line' in case:
            command += ['--append', raw(case['command_line'])]
        command += ['--', target] + args
        env = dict(os.environ)
        if case.get('plant'):
            env['WINEDLLOVERRIDES'] = dll_overrides(case['plant'])
            env['WINEDEBUG'] = PLANTED_DEBUG
        # Files, not pipes: a process the program leaves behind may hold
        # inherited pipe ends open long after the driver has ended.
        log_path = os.path.join(work, 'driver.log')
        err_path = os.path.join(work, 'driver.err')
        with open(log_path, 'wb') as out_file, open(err_path, 'wb') as err_file:
            try:
                if 'dpi' in case:
                    set_dpi(case['dpi'])
                status = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=out_file,
                                        stderr=err_file, env=env,
                                        timeout=timeout_ms / 1000 + BACKSTOP_SECONDS).returncode
            except subprocess.TimeoutExpired:
                return ['the driver did not end within %d s'
                        % (timeout_ms / 1000 + BACKSTOP_SECONDS)]
            finally:
                if 'dpi' in case:
                    set_dpi(None)
        with open(log_path, encoding='utf-8', errors='replace') as f:
            log = f.read().splitlines()
        with open(err_path, encoding='utf-8', errors='replace') as f:
            err_lines = f.read().splitlines()
        mapped = [m.group(1).replace('\\\\', '\\') for m in map(MAPPED_LINE.search, err_lines) if m]
        stderr = '\n'.join(line for line in err_lines if LOADER_TRACE not in line).strip()
        expected = [line.strip() for line in escaped(case.get('expect', '')).split('\n')]
        if 'only' in case:
            log = select_records(log, case['only'])
        problems += compare_log([line for line in expected if line], log)
        want_status = case.get('driver_status', 0)
        if status != want_status:
            problems.append('driver exit status %d, expected %d' % (status, want_status))
            if stderr:
                problems.append('driver stderr: ' + stderr)
        if 'driver_stderr' in case and not fnmatch.fnmatchcase(stderr, case['driver_stderr']):
            problems.append('driver stderr %r does not match %r' % (stderr, case['driver_stderr']))
        if 'files' in case:
            problems += compare_files(out, case['files'], case.get('entries', []),
                                      self.builder.entry_data)
        if case.get('source') == 'folder':
            problems += compare_times(out, case.get('files', {}))
        problems += compare_planted(os.path.dirname(program), case.get('plant', []),
                                    case.get('planted_loaded', []), mapped)
        if problems and os.path.exists(screenshot):
            problems.append('screen at the failure: ' + screenshot)
        if not problems and not self.keep:
            shutil.rmtree(work, ignore_errors=True)
        return problems


def set_dpi(dpi):
    """Sets the DPI of the programs started next, or with None removes the
    setting again (the prefix's own 96 DPI applies)."""
    value = ['/t', 'REG_DWORD', '/d', str(dpi)] if dpi else []
    subprocess.run(['wine', 'reg', 'add' if dpi else 'delete', DPI_KEY, '/v', 'LogPixels'] + value
                   + ['/f'], check=True, capture_output=True)


def compare_times(folder, expected):
    """Problems with the times of the files extracted from a packed folder."""
    want = programs.SOURCE_MTIME + programs.SOURCE_MTIME % 2
    problems = []
    for name in expected:
        path = os.path.join(folder, *name.rstrip('/').split('/'))
        if not name.endswith('/') and os.path.exists(path) and int(os.stat(path).st_mtime) != want:
            problems.append('time differs: %s (%d, expected %d)' % (name, os.stat(path).st_mtime, want))
    return problems


def compare_planted(folder, planted, expected_loaded, mapped):
    """Problems with the planted DLLs.  One counts as loaded when the loader
    mapped it from `folder` (`mapped`: the paths of Wine's loader trace) or
    its marker lies there.  The marker alone misses a DLL that was mapped but
    never started: a load ends at the first planted DLL that refuses, before
    the DLLs it brought in are started.  A marker without its trace line means
    the trace has stopped showing loads, and a DLL only the trace sees would
    go unseen.  Names compare without regard to case, as the system compares
    them: the marker is spelled as the loader spelled the DLL ("SHELL32.dll"
    for a planted shell32.dll)."""
    present = {name.lower() for name in os.listdir(folder)}
    mapped = {path.lower() for path in mapped}
    problems = []
    for name in planted:
        marked = (name + programs.PLANTED_MARK).lower() in present
        traced = programs.win_path(os.path.join(folder, name)).lower() in mapped
        if marked and not traced:
            problems.append('the planted %s left its marker, but the loader trace does not show it'
                            % name)
        loaded = marked or traced
        if loaded and name not in expected_loaded:
            problems.append('the planted %s was loaded' % name)
        elif not loaded and name in expected_loaded:
            problems.append('the planted %s was not loaded' % name)
    for name in expected_loaded:
        if name not in planted:
            problems.append('planted_loaded names %s, which is not planted' % name)
    return problems


def dll_overrides(planted):
    """WINEDLLOVERRIDES with the planted DLLs native first: Wine otherwise
    takes its own builtin DLL even when the program's folder holds one."""
    parts = [os.environ.get('WINEDLLOVERRIDES', '')]
    parts += ['%s=n,b' % os.path.splitext(name)[0] for name in planted]
    return ';'.join(part for part in parts if part)


def default_work_root(build_dir):
    """A folder in memory when there is room, else BUILD/e2e.  Named after
    the build tree, so two checkouts never share one."""
    try:
        room = os.statvfs(MEMORY_ROOT)
        if room.f_bavail * room.f_frsize >= MEMORY_ROOM_BYTES:
            tag = '%d-%08x' % (os.getuid(), zlib.crc32(build_dir.encode()))
            return os.path.join(MEMORY_ROOT, 'vantor-e2e-' + tag)
    except OSError:
        pass
    return os.path.join(build_dir, 'e2e')


def in_wine_env(build_dir):
    """Re-runs this runner inside its own display and wineserver unless
    scripts/wine-env already provides them."""
    if os.environ.get('SFX_WINE_ENV') == '1':
        return
    helper = os.path.join(ROOT, 'scripts', 'wine-env')
    prefix = os.path.join(build_dir, 'wineprefix')
    os.execv(helper, [helper, 'run', prefix, '--', sys.executable] + sys.argv)


def main():
    parser = argparse.ArgumentParser(description='Runs the end-to-end cases under Wine.')
    parser.add_argument('--build', default=os.path.join(ROOT, 'build'),
                        help='the build tree with host/ and win32/ (default: build)')
    parser.add_argument('--host', help='the host build with mksfx (default: BUILD/host)')
    parser.add_argument('--win32', help='the Windows build with the stub, the driver and the '
                        'fixture (default: BUILD/win32)')
    parser.add_argument('--work', help='the root of the cases\' work folders (default: a folder '
                        'in /dev/shm when it has 2 GiB free, else BUILD/e2e)')
    parser.add_argument('--keep', action='store_true', help='keep the work folders of passed cases')
    parser.add_argument('patterns', nargs='*', help='case names to run (shell wildcards)')
    options = parser.parse_args()
    build_dir = os.path.abspath(options.build)
    in_wine_env(build_dir)

    runner = Runner(os.path.abspath(options.host or os.path.join(build_dir, 'host')),
                    os.path.abspath(options.win32 or os.path.join(build_dir, 'win32')),
                    os.path.abspath(options.work or default_work_root(build_dir)), options.keep)
    passed = failed = skipped = 0
    for case in load_cases(options.patterns):
        reason = runner.skip_reason(case)
        if reason:
            skipped += 1
            print('SKIP %s: %s' % (case['name'], reason), flush=True)
            continue
        start = time.monotonic()
        problems = runner.run(case)
        seconds = time.monotonic() - start
        if problems:
            failed += 1
            print('FAIL %s (%.1f s): %s' % (case['name'], seconds, case.get('description', '')))
            for problem in problems:
                print('    ' + problem)
        else:
            passed += 1
            print('PASS %s (%.1f s)' % (case['name'], seconds))
        sys.stdout.flush()
    print('e2e: %d passed, %d failed, %d skipped' % (passed, failed, skipped))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
