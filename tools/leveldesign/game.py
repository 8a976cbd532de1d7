# A model of the play frame for designing levels: tile backgrounds from the
# .map files, objects as boxes, the player's probes and moves as the game
# does them. Used by check.py and emit.py; not part of the build.
import os
ROOT=os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)),'..','..'))
import copy
EMPTY,SOLID,RED=0,1,2
def load_map(path):
    L=open(path).read().split('\n')
    return [l for l in L[1:25]]
def tile_colour(g,x,y):
    if x<0 or y<0 or x>=1024 or y>=768: return SOLID
    ch=g[y//32][x//32]; ty=y%32
    if ch=='.': return EMPTY
    if ch=='W': return SOLID if ty<16 else EMPTY
    if ch=='^': return RED if ty>=8 else EMPTY
    if ch=='~': return RED if ty>=3 else EMPTY  # approximate wave top
    return SOLID
HZ={'al':(40,48,(4,2,36,48)),'leb':(40,40,(3,1,37,42)),'zuby':(64,32,(0,8,64,32))}
BW,BH=80,20
class Level:
    def __init__(s,g,start_y,keys,blocks,haz):
        s.g=g; s.start_y=start_y; s.keys0=keys; s.blocks0=blocks; s.haz0=haz
def move(o,moving):
    if not moving: return
    o['steps']+=1
    if o['steps']>o['range']: o['steps']=0; o['dx']=-o['dx']; o['dy']=-o['dy']
    o['x']+=o['dx']; o['y']+=o['dy']
def simulate(lv,inputs,maxf=6000,verbose=False):
    def load():
        st=dict(x=120,y=lv.start_y,facing=-60,js=100,dying=False,keys=0,lf=0,moving=False,death=0,
                keys_=[dict(x=k[0],y=k[1],a=1) for k in lv.keys0],
                blocks=[dict(x=b[0],y=b[1],dx=b[2],dy=b[3],range=b[4],steps=b[5] if len(b)>5 else 0) for b in lv.blocks0],
                haz=[dict(kind=h[0],x=h[1],y=h[2],dx=h[3],dy=h[4],range=h[5],frame=h[6],steps=h[7] if len(h)>7 else 0) for h in lv.haz0])
        return st
    st=load(); p=dict(wall=False,ground=False,head=False,jc=0,air=0)
    deaths=0; f=0
    for f in range(maxf):
        R,L,J=inputs(f,st,p)
        if p['jc']>0: p['jc']-=1
        if R:
            st['facing']=-60
            if not p['wall']: st['x']+=4
        if L:
            st['facing']=60
            if not p['wall']: st['x']-=4
        if J and p['ground'] and p['jc']<=0: st['js']=0; p['jc']=50
        if p['head']: st['js']=100
        if st['js']<12: st['js']+=1; st['y']-=10
        if st['dying']:
            st['death']+=1
            if st['death']>81:
                st['death']=0; deaths+=1
                p2=p; st=load(); st['dying']=False
                if verbose: print('death reload at',f)
                if deaths>0: return ('died',f)
        # keys
        for k in st['keys_']:
            if k['a'] and k['x']-50<st['x']<k['x']+50 and st['y']<k['y']<st['y']+60:
                st['keys']+=1; k['a']=0
        for h in st['haz']:
            move(h,st['moving']); h['frame']+=1
            if h['frame']>20: h['frame']=1
        for b in st['blocks']: move(b,st['moving'])
        # block contact
        if st['y']>800: st['y']=0
        under=0
        for i,b in enumerate(st['blocks']):
            if b['x']<st['x']<b['x']+BW and b['y']-4<=st['y']+76<=b['y']+BH-15:
                st['moving']=True; under=i+1
                if b['dx']!=0: st['x']+=b['dx']; st['y']=b['y']-75
                if b['dy']!=0: st['y']=b['y']+b['dy']-76
                p['ground']=True
                break
        if not under:
            if not p['ground']: st['y']+=4
        # probes
        def col(x,y):
            for b in st['blocks']:
                if b['x']<=x<b['x']+BW and b['y']<=y<b['y']+BH: return SOLID
            for h in st['haz']:
                w,hh,(a,bb,c,d)=HZ[h['kind']]
                if h['x']+a<=x<h['x']+c and h['y']+bb<=y<h['y']+d: return RED
            for k in st['keys_']:
                if k['a'] and k['x']+1<=x<k['x']+29 and k['y']+7<=y<k['y']+25: return SOLID
            return tile_colour(lv.g,x,y)
        x,y=st['x'],st['y']
        p['wall']=False; p['ground']=False; p['head']=False
        sx=x-17 if st['facing']>0 else x+17
        sc=EMPTY
        for o in (10,26,42,58):
            sc=col(sx,y+o)
            if sc: p['wall']=True
        fc=col(x,y+78); p['air']+=1
        if fc or under: p['ground']=True; p['air']=0
        if p['air']>40: st['dying']=True; p['air']=0
        hc=col(x,y)
        if hc: p['head']=True
        if sc==RED or hc==RED or fc==RED:
            if not st['dying'] and verbose: print('red death at',f,x,y)
            st['dying']=True
        if st['dying'] and st['death']==0 and verbose: pass
        if st['dying']: return ('died',f,x,y)
        if st['keys']>=6 and st['x']>900: return ('exit',f)
        st['lf']+=1
        if st['lf']==200: st['moving']=True
        if verbose and f%20==0: print(f,x,y,p['ground'],st['keys'])
    return ('timeout',f,st['x'],st['y'],st['keys'])

# route scripts: list of (command, arg)
#  ('r',n) hold right n frames; ('l',n); ('w',n) wait; ('rj',n) right + jump held n frames
#  ('j',n) jump held, ('lj',n); ('until_x',X) walk right until x>=X; ('wait_block',i,cond) ...
def script(cmds):
    seq=[]
    for c in cmds:
        k,n=c[0],c[1]
        m={'r':(1,0,0),'l':(0,1,0),'w':(0,0,0),'rj':(1,0,1),'lj':(0,1,1),'j':(0,0,1)}[k]
        seq+= [m]*n
    def inp(f,st,p):
        return seq[f] if f<len(seq) else (0,0,0)
    return inp,len(seq)
def run(lv,cmds,verbose=False):
    inp,n=script(cmds)
    return simulate(lv,inp,n+5,verbose)
def script2(cmds):
    # ('to',X): hold right until x>=X ; ('back',X): hold left until x<=X
    # ('J',): press jump with right held 1 frame ; ('JL',) jump with left; ('JU',): jump straight
    # ('r',n),('l',n),('w',n): frames ; ('wait',fn): wait until fn(st) true
    state={'i':0,'n':0}
    def inp(f,st,p):
        while state['i']<len(cmds):
            c=cmds[state['i']]
            k=c[0]
            if k=='to':
                if st['x']>=c[1]: state['i']+=1; continue
                return (1,0,0)
            if k=='back':
                if st['x']<=c[1]: state['i']+=1; continue
                return (0,1,0)
            if k in ('J','JL','JU'):
                if not (p['ground'] and p['jc']<=0):
                    return (0,0,0)
                state['i']+=1
                return {'J':(1,0,1),'JL':(0,1,1),'JU':(0,0,1)}[k]
            if k in ('r','l','w','rj'):
                if state['n']<c[1]:
                    state['n']+=1
                    return {'r':(1,0,0),'l':(0,1,0),'w':(0,0,0),'rj':(1,0,1)}[k]
                state['n']=0; state['i']+=1; continue
            if k=='ride':
                b=st['blocks'][c[1]]
                if (c[3]>0 and b['x']>=c[2]) or (c[3]<0 and b['x']<=c[2]): state['i']+=1; continue
                return (1,0,0) if st['x']<b['x']+c[4] else (0,0,0)
            if k=='wait':
                if c[1](st): state['i']+=1; continue
                return (0,0,0)
        return (1,0,0)
    return inp
def run2(lv,cmds,maxf=8000,verbose=False):
    return simulate(lv,script2(cmds),maxf,verbose)
