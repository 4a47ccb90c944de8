#!/usr/bin/env python3
# The size of the tests against the code: C++ lines that are not blank or
# comment-only; tests are the files under tests/, code every other C++ file
# git knows of. -v: per folder; --max R: exit 1 when the tests are more than R
# of the code.
import subprocess,re,sys,os,collections
os.chdir(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
files=subprocess.check_output(['git','ls-files','-co','--exclude-standard'],text=True).split()
ext=('.cpp','.h','.hpp','.cc','.cxx','.hh','.c')
def count(path):
    n=0; inblock=False
    for line in open(path,errors='replace'):
        s=line.strip()
        if inblock:
            if '*/' in s:
                inblock=False; rest=s.split('*/',1)[1].strip()
                if rest: n+=1
            continue
        if not s: continue
        if s.startswith('//'): continue
        if s.startswith('/*'):
            if '*/' not in s: inblock=True; continue
            rest=s.split('*/',1)[1].strip()
            if not rest: continue
        n+=1
    return n
t=collections.Counter(); c=collections.Counter()
for f in files:
    if not f.endswith(ext) or not os.path.exists(f): continue
    n=count(f)
    top=f.split('/')[0]
    if top=='tests':
        sub='/'.join(f.split('/')[:2]); t[sub]+=n
    else: c[top]+=n
T=sum(t.values()); C=sum(c.values())
if '-v' in sys.argv:
    for k,v in sorted(t.items()): print('  test',k,v)
    for k,v in sorted(c.items()): print('  code',k,v)
print(f"tests {T} code {C} ratio {T/C:.3f}")
if '--max' in sys.argv and T / C > float(sys.argv[sys.argv.index('--max') + 1]):
    print("the tests are larger than the size we keep", file=sys.stderr)
    sys.exit(1)
