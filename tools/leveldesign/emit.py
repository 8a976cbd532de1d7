# Writes assets/levels/pNN.txt from levels.py, with the route in words and
# as held keys tick by tick; a route the model cannot finish stops it.
import sys; from levels import *
import inspect, os, re
OUT=ROOT+'/assets/levels/'
only=[int(a) for a in sys.argv[1:]]
# Ticks the real game needs beyond (+) or short of (-) the model to reach
# the exit, measured by playing the replays; keep them when a layout changes
# only if its replay still ends on its exit tick.
EXIT_FIX={1:-1, 4:1, 14:1, 15:1, 25:-2}
src=open(os.path.join(os.path.dirname(os.path.abspath(__file__)),'levels.py')).read()
for n,l in sorted(LV.items()):
    if only and n not in only: continue
    # recover the wait conditions as text
    m=re.search(r"L\(%d,.*?\n  '(.*?)'\)"%n, src, re.S)
    body=m.group(0)
    rt=re.search(r"\n  \[\(('to'|'J'|'back'|'wait'|'r'|'w').*\]\,\n", body)
    waits=re.findall(r"lambda st: ([^)]*\)?[^,)]*(?:\)[^,)]*)?)\)", body)
    parts=[]; wi=0
    for c in l['route']:
        k=c[0]
        if k=='to': parts.append('walk right to x %d'%c[1])
        elif k=='back': parts.append('walk left to x %d'%c[1])
        elif k=='J': parts.append('jump')
        elif k=='JU': parts.append('jump straight up')
        elif k=='ride': parts.append('ride block %d, keeping %d px right of its left edge, until it reaches x %d'%(c[1]+1,c[4],c[2]))
        elif k=='r': parts.append('walk right for %d ticks'%c[1])
        elif k=='w': parts.append('stand %d ticks'%c[1])
        elif k=='wait':
            w=waits[wi] if wi<len(waits) else 'the right moment'; wi+=1
            for hi,h in enumerate(l['haz']):
                nth=sum(1 for q in l['haz'][:hi] if q[0]==h[0])+1
                w=w.replace("st['haz'][%d]"%hi,'%s %d'%(h[0],nth))
            w=w.replace("st['blocks'][0]",'block 1').replace("st['blocks'][1]",'block 2').replace("['x']",'.x').replace("['y']",'.y').replace("['dy']",'.dy').replace("['dx']",'.dx')
            parts.append('wait until '+w.strip())
    lines=['# Level %d: %s'%(n,l['desc']),
           '#',
           '# Route (the player starts at x 120; "jump" means: stand until a jump may',
           '# start, then press jump and hold right; x is the centre of the figure):']
    text='; '.join(parts)+'; then walk right to the exit.'
    # wrap
    cur='#  '
    for word in text.split(' '):
        if len(cur)+len(word)+1>96: lines.append(cur); cur='#  '
        cur+=' '+word
    lines.append(cur)
    # the same route as held keys, tick by tick from the first play tick,
    # as found by a model of the play frame (R right, L left, J jump)
    g=load_map(K+l['bg']+'.map'); lvm=Level(g,l['start'],l['keys'],l['blocks'],l['haz'])
    inp=script2(l['route']); held=[]
    def rec(f,st,p):
        r=inp(f,st,p); held.append(r); return r
    res=simulate(lvm,rec,8000)
    assert res[0]=='exit', (n,res)
    # The model's last frames differ slightly from the real game's, so the
    # final walk to the exit is lengthened or shortened by what the replays
    # measured (scripts/replay-from-route.py, ctest level_replays).
    fix=EXIT_FIX.get(n,0)
    if fix>0: held+=[held[-1]]*fix
    elif fix<0: del held[fix:]
    runs=[]; start=0
    for f in range(1,len(held)+1):
        if f==len(held) or held[f]!=held[start]:
            code=('R' if held[start][0] else '')+('L' if held[start][1] else '')+('J' if held[start][2] else '')
            runs.append('%s%d'%(code or '-', f-start)); start=f
    lines.append('#')
    lines.append('# As held keys from the first play tick (R right, L left, J jump, - none,')
    lines.append('# then the number of ticks), the exit is reached on tick %d:'%(len(held)))
    cur='#  '
    for word in runs:
        if len(cur)+len(word)+1>96: lines.append(cur); cur='#  '
        cur+=' '+word
    lines.append(cur)
    lines.append('')
    lines.append('background '+l['bg'])
    lines.append('start %d'%l['start'])
    lines.append('')
    for k in l['keys']: lines.append('key %d %d'%k)
    if l['blocks']: lines.append('')
    for b in l['blocks']: lines.append('block '+' '.join(str(v) for v in b))
    if l['haz']: lines.append('')
    for kind in ('al','leb','zuby'):
        for h in l['haz']:
            if h[0]==kind: lines.append(kind+' '+' '.join(str(v) for v in h[1:]))
    open(OUT+'p%02d.txt'%n,'w').write('\n'.join(lines)+'\n')
