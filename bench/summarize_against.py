#!/usr/bin/env python3
# Reads the result folders of bench/run_against.sh and prints every figure as the median over the
# turns, old against new, each timing as a ratio to its reference measured in the same run.
# Usage: bench/summarize_against.py RESULT_FOLDER...
import re, sys, glob, statistics, collections
dirs = sys.argv[1:]
vals = collections.defaultdict(lambda: collections.defaultdict(list))
def add(which, key, v): vals[key][which].append(v)
for d in dirs:
    for f in glob.glob(d + '/*.txt'):
        name = f.split('/')[-1]
        bench, which, turn = name[:-4].rsplit('-', 2)
        t = open(f, errors='replace').read()
        if 'exit ' in t.splitlines()[-1]: print('FAILED', f)
        done = {'scan': '(target < 300 each)', 'delete_align': 'checks passed', 'copy': 'Tandrix time / cp -a time'}[bench]
        if done not in t: print('incomplete', f); continue
        if bench == 'scan':
            find = float(re.search(r'find A B -printf \(reference\):\s+([\d.]+)', t).group(1))
            add(which, 'scan: find A B ms', find)
            add(which, 'scan: Scan button / find', float(re.search(r'click to list:.*ratio to find ([\d.]+)', t).group(1)))
            add(which, 'scan: walk both sides / find', float(re.search(r'scan both sides:.*ratio to find ([\d.]+)', t).group(1)))
            add(which, 'scan: MatchRows / find', float(re.search(r'MatchRows:\s+([\d.]+)', t).group(1))/find)
            add(which, 'scan: FillResultList / find', float(re.search(r'FillResultList:\s+([\d.]+)', t).group(1))/find)
            m = re.search(r'memory of a scan(?:, benchmark trees)?: .*?: (\d+) / (\d+) bytes', t)
            add(which, 'mem: kept B/entry (bench trees)', float(m.group(1))); add(which, 'mem: peak B/entry (bench trees)', float(m.group(2)))
            m = re.search(r'every file listed .*?: (\d+) / (\d+) bytes', t)
            if m:
                add(which, 'mem: kept B/entry (all listed)', float(m.group(1))); add(which, 'mem: peak B/entry (all listed)', float(m.group(2)))
            m = re.search(r'200000 alternating lines: fill ([\d.]+) ms; (\d+) bytes per line listed, (\d+) with', t)
            add(which, 'list: fill 200k / find', float(m.group(1))/find)
            add(which, 'list: fill 200k ms', float(m.group(1)))
            add(which, 'list: B per line listed', float(m.group(2))); add(which, 'list: B per line, 100k ranges sel.', float(m.group(3)))
            m = re.search(r'^  (Alles .*)\(target', t, re.M)
            parts = re.findall(r'([^/]+?) ([\d.]+) ms', m.group(1))
            for i,(n,v) in enumerate(parts):
                add(which, 'sel: %d %s / find' % (i+1, n.strip()), float(v)/find)
                add(which, 'sel ms: %d %s' % (i+1, n.strip()), float(v))
        elif bench == 'delete_align':
            add(which, 'del: Löschen (Ja->list) / find -delete', float(re.search(r'answer "Ja" to finished list.*ratio ([\d.]+)', t).group(1)))
            add(which, 'align: Ausführen!->list / find touch', float(re.search(r'Ausführen! to list.*ratio ([\d.]+)', t).group(1)))
            add(which, 'align: minus one scan / find touch', float(re.search(r'minus one scan.*ratio ([\d.]+)', t).group(1)))
        elif bench == 'copy':
            def sec(section, tool):
                s = t.split(section + ':')[1]
                return float(re.search(re.escape(tool) + r'\s+([\d.]+) s', s).group(1))
            add(which, 'copy 1GiB: Tandrix / cp -a (time)', sec('large file', 'Tandrix Sync')/sec('large file','cp -a'))
            add(which, 'copy 10k: Tandrix / cp -a', sec('small files', 'Tandrix Sync')/sec('small files','cp -a'))
            add(which, 'copy 10k: Tandrix / rsync -a', sec('small files', 'Tandrix Sync')/sec('small files','rsync -a'))
            if 'cp -a + sync' in t:
                add(which, 'copy 1GiB: Tandrix / (cp -a + sync)', sec('large file', 'Tandrix Sync')/sec('large file','cp -a + sync'))
                add(which, 'copy 10k: Tandrix / (cp -a + sync)', sec('small files', 'Tandrix Sync')/sec('small files','cp -a + sync'))
                add(which, 'copy 1GiB: (cp -a + sync) / cp -a', sec('large file', 'cp -a + sync')/sec('large file','cp -a'))
                add(which, 'copy 10k: (cp -a + sync) / cp -a', sec('small files', 'cp -a + sync')/sec('small files','cp -a'))
def fmt(l):
    if not l: return '-'
    m = statistics.median(l)
    return '%.3f' % m if m < 0.1 else '%.2f' % m if max(l) < 20 else '%.0f' % m
def rng(l):
    if not l: return ''
    return '%.3f-%.3f' % (min(l), max(l)) if max(l) < 0.1 else '%.2f-%.2f' % (min(l), max(l)) if max(l) < 20 else '%.0f-%.0f' % (min(l), max(l))
print('%-40s %8s %8s %7s   %-13s %-13s n' % ('figure (median of turns)', 'old', 'new', 'new/old', 'old range', 'new range'))
for k in sorted(vals):
    o, n = vals[k]['old'], vals[k]['new']
    r = '%.2f' % (statistics.median(n)/statistics.median(o)) if o and n and statistics.median(o) else '-'
    print('%-40s %8s %8s %7s   %-13s %-13s %d/%d' % (k, fmt(o), fmt(n), r, rng(o), rng(n), len(o), len(n)))
