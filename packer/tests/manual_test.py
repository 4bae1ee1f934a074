#!/usr/bin/env python3
"""`cmake --install` of BUILD into a temporary DESTDIR: the installed mksfx
runs, needs no libdeflate beside it (ldd names none), `man -l` renders its
page without a warning, and each command's section (.SS "mksfx COMMAND")
names exactly the options its --help lists."""
import os
import re
import subprocess
import sys
import tempfile

LONG, SHORT = r'(?<![\w-])--[a-z0-9][a-z0-9-]*', r'(?<![\w-])-[a-z0-9]+\b'


def run(argv, **kw):
    return subprocess.run(argv, capture_output=True, text=True, **kw)


def help_options(text):  # long options anywhere, short ones at the head of an option line
    heads = [re.split(r'(?<=\S)\s{2,}', l.strip(), maxsplit=1)[0] for l in text.splitlines() if re.match(r'\s+-', l)]
    return (set(re.findall(LONG, text)) | set(re.findall(SHORT, '\n'.join(heads)))) - {'--help'}


def page_sections(source):  # long options anywhere, short ones on .TP tag lines
    sections, current, tag_line = {}, None, False
    for line in source.splitlines():
        plain = line.replace('\\-', '-')
        current = None if line.startswith('.SH') else current
        if line.startswith('.SS'):
            current = sections.setdefault(plain.split()[2].rstrip(','), set())
        if current is not None:
            current |= set(re.findall(LONG, plain)) | (set(re.findall(SHORT, plain)) if tag_line else set())
        tag_line = line.startswith('.TP')
    return {command: options - {'--help'} for command, options in sections.items()}


build, mksfx, failures = os.environ['BUILD'], os.environ['MKSFX'], []
with tempfile.TemporaryDirectory() as destdir:
    page = destdir + '/usr/local/share/man/man1/mksfx.1'
    for argv, env, expected in (
            (['cmake', '--install', build, '--prefix', '/usr/local'], {'DESTDIR': destdir}, 'Installing'),
            ([destdir + '/usr/local/bin/mksfx', '--version'], {}, 'mksfx '),
            (['man', '--warnings', '-l', page], {'MANWIDTH': '80', 'MAN_KEEP_FORMATTING': ''}, 'mksfx pack')):
        r = run(argv, env=dict(os.environ, **env))
        if r.returncode != 0 or expected not in r.stdout or r.stderr.strip():
            failures.append('%s: %s' % (' '.join(argv), r.stdout + r.stderr))
    installed = run(['ldd', destdir + '/usr/local/bin/mksfx'])
    if installed.returncode != 0 or 'libdeflate' in installed.stdout:
        failures.append('ldd of the installed mksfx: ' + installed.stdout + installed.stderr)
    sections = page_sections(open(page, encoding='utf-8').read())
for command in ['help', 'pack', 'info', 'check', 'extract']:
    listed = help_options(run([mksfx] + ([command] if command != 'help' else []) + ['--help']).stdout)
    documented = sections.get(command, set())
    failures += ['%s --help lists %s; the page does not' % (command, o) for o in sorted(listed - documented)]
    failures += ['the page documents %s for %s; its --help does not' % (o, command) for o in sorted(documented - listed)]
print('\n'.join('FAIL: ' + f for f in failures))
sys.exit(1 if failures else 0)
