#!/usr/bin/env python3
"""The manual page against the program: `cmake --install` of the build tree
into a temporary DESTDIR (what `make install` runs) installs mksfx and its
page, the installed mksfx runs, `man -l` renders the installed page without
a warning, and every option a command's --help lists is in that command's
section of the page and the other way round.

Environment: BUILD, the build tree; MKSFX, the mksfx of that tree."""
import os
import re
import subprocess
import sys
import tempfile

PREFIX = '/usr/local'
COMMANDS = ['pack', 'info', 'check', 'extract']

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def run(argv, **kw):
    return subprocess.run(argv, capture_output=True, text=True, **kw)


def help_options(text):
    """Long options anywhere, short ones at the head of an option line."""
    options = set(re.findall(r'(?<![\w-])--[a-z0-9][a-z0-9-]*', text))
    for line in text.splitlines():
        if re.match(r'\s+-', line):
            head = re.split(r'(?<=\S)\s{2,}', line.strip(), maxsplit=1)[0]
            options |= set(re.findall(r'(?<![\w-])-[a-z0-9]+\b', head))
    options.discard('--help')  # every command takes it
    return options


def page_sections(source):
    """Options per command section (.SS "mksfx COMMAND ..."): long options
    anywhere in it, short ones on the tag lines of its .TP items."""
    sections = {}
    current = None
    tag_line = False
    for line in source.splitlines():
        plain = line.replace('\\-', '-')
        if line.startswith('.SH'):
            current = None
        elif line.startswith('.SS'):
            word = plain.split()[2].rstrip(',')
            current = sections.setdefault(word, set())
        if current is None:
            continue
        current |= set(re.findall(r'(?<![\w-])--[a-z0-9][a-z0-9-]*', plain))
        if tag_line:
            current |= set(re.findall(r'(?<![\w-])-[a-z0-9]+\b', plain))
        tag_line = line.startswith('.TP')
    for options in sections.values():
        options.discard('--help')
    return sections


def main():
    build, mksfx = os.environ['BUILD'], os.environ['MKSFX']
    with tempfile.TemporaryDirectory() as destdir:
        r = run(['cmake', '--install', build, '--prefix', PREFIX], env=dict(os.environ, DESTDIR=destdir))
        check(r.returncode == 0, 'cmake --install: ' + r.stdout + r.stderr)
        program = destdir + PREFIX + '/bin/mksfx'
        page = destdir + PREFIX + '/share/man/man1/mksfx.1'
        r = run([program, '--version'])
        check(r.returncode == 0 and r.stdout.startswith('mksfx '), 'installed mksfx --version: ' + r.stderr)
        r = run(['man', '--warnings', '-l', page], env=dict(os.environ, MANWIDTH='80', MAN_KEEP_FORMATTING=''))
        check(r.returncode == 0 and 'mksfx pack' in r.stdout, 'man -l: ' + r.stderr)
        check(r.stderr.strip() == '', 'man -l warns: ' + r.stderr)
        source = open(page, encoding='utf-8').read()

    sections = page_sections(source)
    helps = {'help': run([mksfx, '--help']).stdout}
    for command in COMMANDS:
        helps[command] = run([mksfx, command, '--help']).stdout
    for command, text in helps.items():
        listed = help_options(text)
        documented = sections.get(command, set())
        for option in sorted(listed - documented):
            failures.append('%s --help lists %s; the page does not' % (command, option))
        for option in sorted(documented - listed):
            failures.append('the page documents %s for %s; its --help does not' % (option, command))

    for f in failures:
        print('FAIL:', f)
    print('manual: %d failures' % len(failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
