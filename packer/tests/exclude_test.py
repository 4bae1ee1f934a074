#!/usr/bin/env python3
"""--exclude and --exclude-from against git itself: for each set of patterns
of the table, the files mksfx packs from a generated tree are exactly the
files `git ls-files --others --exclude-standard` keeps with the same lines
as the tree's .gitignore.  A set is given once as --exclude options (unless
it holds a comment or a blank line, which only a file can) and once as
--exclude-from of that .gitignore.  Then the patterns and files refused."""
import json
import os
import subprocess
import sys
import tempfile

MKSFX = os.path.abspath(os.environ['MKSFX'])
TREE = ['README.md', 'notes.txt', 'keep.log', 'debug.log', 'key.pem', 'a b.txt', '[x].txt', 'x.txt',
        '!important.txt', '#hash.txt', 'x.tar.gz', 'café.txt', 'docs/guide.md', 'docs/keep.log',
        'docs/api/ref.md', 'docs/api/v1/old.md', 'docs/build/out.o', 'build/out.o', 'build/keep.txt',
        'src/build', 'src/main.c', 'src/lib/util.c', 'src/lib/util.pem', 'secrets/deploy.pem',
        'secrets/nested/id.pem', 'Cache/x.txt', 'Cache/.hidden']
SETS = [
    ['**/*.md'], ['*.log', '!keep.log'], ['docs/**', '!docs/guide.md'], ['docs/', '!docs/guide.md'],
    ['docs/**/*.md'], ['**/build'], ['build/'], ['/build', '/*.txt'], ['api/ref.md', 'docs/api'],
    ['src/*', '*/lib/*.c'], ['*', '!*/', '!*.md'], ['**/*.pem', '!secrets/deploy.pem'],
    ['\\!important.txt', '\\#hash.txt', '\\[x].txt'], ['[x].txt', '[a-c]*.txt', '[!a-z]*.pem'],
    ['[[:upper:]]*', '[^a-z]*.c', '[]x]*', '*.[!l]??'], ['notes.txt   ', 'keep.log\\ ', 'a\\ b.txt'],
    ['docs/**.md', 'src**/util.c', '***/old.md'], ['caf?.txt', '?????.txt'], ['cache/', 'CACHE', '.*'],
    ['docs/api/**/', 'secrets/**/*.pem', '!**/nested/'],
    ['\ufeff# a comment', '', '*.log', '  ', '!docs/keep.log\r', '#*.md'],
]
# Patterns and files refused: (options, exit code, words of the message).
REFUSED = [(['--exclude', '[a-'], 2, 'no "]"'), (['--exclude', '[[:letter:]]'], 2, 'is no class'),
           (['--exclude', 'a\\'], 2, 'escapes nothing'), (['--exclude', '#x'], 2, '"[#]x"'),
           (['--exclude', '!/'], 2, 'names nothing'), (['--exclude-from', 'missing'], 1, 'missing: cannot open'),
           (['--exclude-from', 'bad'], 2, 'bad, line 2: its "["')]


def run(argv, **kw):
    return subprocess.run(argv, capture_output=True, **kw)


def packed(work, options):
    out = os.path.join(work, 'out.exe')
    if os.path.exists(out):
        os.remove(out)
    r = run([MKSFX, 'pack'] + options + [os.path.join(work, 'tree'), out])
    if r.returncode:
        return 'exit %d: %s' % (r.returncode, r.stderr.decode())
    info = json.loads(run([MKSFX, 'info', '--json', out]).stdout)
    return sorted(e['name'] for e in info['entries'] if not e['name'].endswith('/'))


failures = []
with tempfile.TemporaryDirectory() as work:
    for name in TREE:
        path = os.path.join(work, 'tree', name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        open(path, 'w').write(name)
    ignore = os.path.join(work, 'tree', '.gitignore')
    git = ['git', '--git-dir', os.path.join(work, 'git'), '--work-tree', os.path.join(work, 'tree')]
    env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=work, GIT_CONFIG_NOSYSTEM='1')
    run(git + ['init', '-q'], env=env, check=True, cwd=work)
    for lines in SETS:
        open(ignore, 'w', newline='').write('\n'.join(lines) + '\n')
        listed = run(git + ['ls-files', '-z', '--others', '--exclude-standard'], env=env, check=True,
                     cwd=os.path.join(work, 'tree')).stdout
        kept = sorted(n.decode() for n in listed.split(b'\0') if n)
        ways = [['--exclude-from', ignore]]
        if not any(l.strip() == '' or l.startswith(('#', '\ufeff')) for l in lines):
            ways.append([o for l in lines for o in ('--exclude', l)])
        for options in ways:
            got = packed(work, options)
            if got != kept:
                failures.append('%r: mksfx %s' % (options, got if isinstance(got, str) else 'packs %s and not %s'
                                                  % (sorted(set(got) - set(kept)), sorted(set(kept) - set(got)))))
    open(os.path.join(work, 'bad'), 'w').write('*.log\n[a-\n')
    os.chdir(work)
    for options, code, words in REFUSED:
        r = run([MKSFX, 'pack'] + options + ['tree', 'refused.exe'], text=True)
        if r.returncode != code or words not in r.stderr or os.path.exists('refused.exe'):
            failures.append('%r: exit %d, %r' % (options, r.returncode, r.stderr))
print('\n'.join('FAIL: ' + f for f in failures))
sys.exit(1 if failures else 0)
