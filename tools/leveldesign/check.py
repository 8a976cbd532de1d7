# Plays every route (or the levels named) in the model: python3 check.py [N...]
import sys; from levels import *
only=[int(a) for a in sys.argv[1:]]
for n,l in sorted(LV.items()):
    if only and n not in only: continue
    g=load_map(K+l['bg']+'.map')
    lv=Level(g,l['start'],l['keys'],l['blocks'],l['haz'])
    r=run2(lv,l['route'],8000,verbose=bool(only))
    print(n,r)
