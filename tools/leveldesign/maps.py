# The tile maps of the fifteen backgrounds, as rectangles of tiles; running
# it rewrites assets/pictures/krajina/pN.map (then run klice-artgen).
import os
ROOT=os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)),'..','..'))
OUT=ROOT+'/assets/pictures/krajina'
def new(theme): return {'theme':theme,'g':[['.']*32 for _ in range(24)]}
def R(m,c0,r0,c1,r1,ch):
    for r in range(r0,r1+1):
        for c in range(c0,c1+1): m['g'][r][c]=ch
def frame(m,ch='#'):
    R(m,0,0,31,0,ch); R(m,0,0,0,23,ch)
def save(name,m):
    with open(os.path.join(OUT,name+'.map'),'w') as f:
        f.write('theme '+m['theme']+'\n')
        for row in m['g']: f.write(''.join(row)+'\n')
M={}
# p1 meadow: flat run, one step, one spiked gap, a plank
m=new('meadow'); frame(m)
R(m,1,21,31,23,'G'); R(m,10,20,13,20,'G')
R(m,17,21,18,22,'.'); R(m,17,23,18,23,'^')
R(m,22,19,25,19,'W'); R(m,4,15,8,15,'W')
M['p1']=m
# p2 meadow: staircase up, a plank above the top, steps down
m=new('meadow'); frame(m)
R(m,1,21,31,23,'G')
R(m,8,20,11,20,'G'); R(m,12,19,15,20,'G'); R(m,16,18,19,20,'G')
R(m,20,19,22,20,'G'); R(m,17,16,20,16,'W'); R(m,27,18,29,18,'W')
M['p2']=m
# p3 meadow: three spiked pits between mounds
m=new('meadow'); frame(m)
R(m,1,20,31,23,'G')
for c0,c1 in ((8,9),(15,17),(23,25)):
    R(m,c0,20,c1,22,'.'); R(m,c0,23,c1,23,'^')
R(m,11,19,12,19,'G'); R(m,19,18,21,18,'W')
M['p3']=m
# p4 castle: lava moat crossed on a moving block
m=new('castle'); frame(m,'S')
R(m,1,21,9,23,'S'); R(m,10,21,21,22,'.'); R(m,10,23,21,23,'~'); R(m,22,21,31,23,'S')
R(m,26,19,29,19,'#'); R(m,5,19,7,19,'#')
M['p4']=m
# p5 castle: an upper gallery reached by steps; a drop back to the floor
m=new('castle'); frame(m,'S')
R(m,1,21,31,23,'S')
R(m,7,19,9,20,'#')              # step 64 (top 608)
R(m,10,17,24,17,'#')            # gallery top 544 (64 above the step)
R(m,14,20,15,20,'^')            # spikes under the gallery
R(m,25,19,31,20,'#')            # landing 608 (drop 64 from gallery)
M['p5']=m
# p6 cave: an elevator shaft up to a high ledge; down again by planks
m=new('cave'); frame(m,'#')
R(m,1,21,31,23,'G'); R(m,9,21,11,22,'.')
R(m,12,10,31,10,'S'); R(m,20,10,21,10,'.')
R(m,12,11,12,17,'S')
R(m,18,14,23,14,'W'); R(m,24,17,27,17,'W')
M['p6']=m
# p7 cave: lava pools with flames between stone islands
m=new('cave'); frame(m,'#')
R(m,1,21,31,23,'S')
for c0,c1 in ((7,9),(14,16),(21,23)):
    R(m,c0,21,c1,22,'.'); R(m,c0,23,c1,23,'~')
R(m,11,19,12,19,'W'); R(m,25,19,27,19,'W')
M['p7']=m
# p8 ice: towers of ice blocks with skull corridors
m=new('ice'); frame(m,'S')
R(m,1,21,31,23,'S')
R(m,9,19,12,20,'S'); R(m,17,19,20,20,'S'); R(m,25,19,28,20,'S')
R(m,13,17,16,17,'W'); R(m,21,17,24,17,'W')
M['p8']=m
# p9 ice: a zig-zag climb over teeth
m=new('ice'); frame(m,'S')
R(m,1,21,31,23,'S')
R(m,6,19,31,20,'S')             # raised floor 608
R(m,10,17,13,17,'W'); R(m,15,15,18,15,'W'); R(m,20,13,23,13,'W')
R(m,24,16,27,16,'W')
M['p9']=m
# p10 desert: long dunes with a lava gap and a block bridge
m=new('desert'); frame(m,'#')
R(m,1,21,8,23,'G'); R(m,9,20,12,23,'G'); R(m,13,21,15,23,'G')
R(m,16,22,23,22,'.'); R(m,16,21,23,22,'.'); R(m,16,23,23,23,'~')
R(m,24,21,31,23,'G'); R(m,3,16,6,16,'W')
M['p10']=m
# p21 castle: two moats and a ledge
m=new('castle'); frame(m,'S')
R(m,1,21,6,23,'S'); R(m,7,21,13,22,'.'); R(m,7,23,13,23,'~')
R(m,14,21,16,23,'S'); R(m,17,21,24,22,'.'); R(m,17,23,24,23,'~'); R(m,25,21,31,23,'S')
R(m,14,17,16,17,'#')
M['p21']=m
# p22 cave: low tunnel with spikes and a high road
m=new('cave'); frame(m,'#')
R(m,1,21,31,23,'S')
R(m,6,16,31,16,'#')             # tunnel ceiling (floor of the high road, top 512)
R(m,10,20,10,20,'^'); R(m,16,20,16,20,'^'); R(m,22,20,22,20,'^')
R(m,28,17,31,20,'.')
M['p22']=m
# p23 desert: stepping stones over a lava lake
m=new('desert'); frame(m,'#')
R(m,1,21,5,23,'G'); R(m,6,21,26,22,'.'); R(m,6,23,26,23,'~')
R(m,8,20,10,20,'S'); R(m,13,19,15,19,'S'); R(m,18,20,20,20,'S'); R(m,23,19,25,19,'S'); R(m,28,20,31,23,'G')
M['p23']=m
# p24 ice: an elevator to the top shelf, the way down through a hole
m=new('ice'); frame(m,'S')
R(m,1,21,31,23,'S'); R(m,9,21,11,22,'.')
R(m,12,10,31,10,'S'); R(m,26,10,27,10,'.')
R(m,12,11,12,17,'S')
R(m,24,14,29,14,'W')
M['p24']=m
# p25 castle: the final hall, everything at once
m=new('castle'); frame(m,'S')
R(m,1,21,7,23,'S'); R(m,8,21,14,22,'.'); R(m,8,23,14,23,'~'); R(m,15,21,31,23,'S')
R(m,17,20,18,20,'^'); R(m,24,13,27,13,'#')
R(m,3,16,6,16,'#'); R(m,15,14,19,14,'W')
M['p25']=m
for k,v in M.items(): save(k,v)
