# The 25 levels: start row, keys, blocks, hazards and the intended route in
# the commands of game.script2. emit.py writes them to assets/levels.
import sys; from game import *
K=ROOT+'/assets/pictures/krajina/'
LV={}
def L(n,bg,start,keys,blocks,haz,route,desc):
    LV[n]=dict(bg=bg,start=start,keys=keys,blocks=blocks,haz=haz,route=route,desc=desc)
def by(i,f): return lambda st: f(st['blocks'][i])
L(1,'p1',590,[(230,642),(370,610),(480,642),(640,642),(750,578),(860,642)],[],[],
  [('to',290),('J',),('to',500),('J',),('to',684),('J',),('to',960)],
  'First steps: a step, a spiked gap and a plank.')
L(2,'p2',590,[(180,642),(300,610),(430,578),(560,546),(600,482),(880,642)],[],[],
  [('to',230),('J',),('to',360),('J',),('to',490),('J',),('to',520),('J',),('to',960)],
  'The staircase: climb three steps and the plank above them.')
L(3,'p3',558,[(180,610),(370,578),(440,610),(515,520),(640,546),(870,610)],[],[],
  [('to',236),('J',),('to',336),('J',),('to',452),('J',),('to',588),('J',),('to',712),('J',),('to',960)],
  'Spiked pits: three gaps to jump, the wider ones from the very edge.')
L(4,'p4',590,[(200,578),(280,642),(450,642),(560,642),(780,642),(880,578)],
  [(324,672,2,0,150)],[],
  [('J',),('to',340),('wait',lambda st: st['blocks'][0]['x']>=600),('to',800),('J',),('to',960)],
  'The moat: ride the moving block across the lava.')
L(5,'p5',590,[(150,642),(260,578),(400,514),(500,440),(720,514),(900,578)],[],
  [('al',620,496,0,0,0,1)],
  [('to',190),('J',),('to',300),('J',),('to',470),('J',),('to',590),('J',),('to',960)],
  'The gallery: climb up, leap the flame, drop to the landing.')
L(6,'p6',590,[(200,642),(330,450),(500,290),(800,290),(600,418),(830,514)],
  [(292,672,0,-2,196)],[],
  [('to',340),('wait',lambda st: st['blocks'][0]['y']<=300 and st['blocks'][0]['dy']<0),('to',600),('J',),('to',790),('back',620),('w',20),('to',960)],
  'The elevator: ride up the shaft, then find the way down.')
L(7,'p7',590,[(150,642),(380,578),(480,540),(600,642),(840,578),(960,642)],[],
  [('al',252,680,0,-2,30,1),('al',476,680,0,-2,30,11),('al',700,680,0,-2,30,6)],
  [('to',196),('J',),('to',330),('J',),('to',436),('J',),('to',660),('wait',lambda st: st['haz'][2]['y']>=676),('J',),('to',780),('J',),('to',960)],
  'Fire pools: flames leap from the lava; jump while they sink.')
L(8,'p8',590,[(200,642),(340,578),(470,514),(600,578),(720,514),(860,578)],[],
  [('leb',440,632,2,0,40,1),('leb',700,632,-2,0,40,8)],
  [('to',250),('J',),('to',390),('J',),('to',530),('to',640),('J',),('to',960)],
  'Ice towers: skulls pace the floor below, stay high.')
L(9,'p9',590,[(150,642),(360,514),(520,450),(680,386),(820,482),(300,578)],[],
  [('zuby',470,576,0,0,0,1),('zuby',760,576,0,0,0,7)],
  [('to',150),('J',),('to',290),('J',),('to',440),('J',),('to',600),('J',),('to',960)],
  'The climb: planks rise over the biting teeth.')
L(10,'p10',590,[(200,642),(330,610),(450,642),(600,642),(700,642),(880,578)],
  [(516,672,2,0,86)],[('zuby',836,640,0,0,0,1)],
  [('to',250),('J',),('to',520),('wait',lambda st: st['blocks'][0]['x']>=600),('r',16),('wait',lambda st: st['blocks'][0]['x']>=686),('to',808),('J',),('to',960)],
  'Desert bridge: over the dune, across the lava on the block, past the teeth.')
def hz(i,k,f): return lambda st: f(st['haz'][i])
L(11,'p1',590,[(230,642),(380,540),(480,642),(660,642),(760,578),(860,642)],[],
  [('leb',556,540,0,2,60,1),('al',900,624,0,0,0,1)],
  [('to',290),('J',),('to',500),('wait',lambda st: st['haz'][0]['y']>=600 and st['haz'][0]['dy']>0),('J',),('to',684),('J',),('to',850),('J',),('to',960)],
  'A skull rises from the spiked gap; a flame guards the way out.')
L(12,'p2',590,[(236,642),(300,570),(430,578),(600,482),(750,560),(870,642)],[],
  [('zuby',150,640,0,0,0,1),('al',790,624,0,0,0,5)],
  [('J',),('to',236),('J',),('to',364),('J',),('to',492),('J',),('to',524),('J',),('to',756),('J',),('to',960)],
  'Teeth at the foot of the stairs, a flame at the bottom of the far side.')
L(13,'p3',558,[(180,610),(280,500),(370,578),(520,520),(640,546),(780,500)],[],
  [('al',272,660,0,-2,28,1),('al',512,660,0,-2,28,8),('al',768,660,0,-2,28,15)],
  [('to',236),('wait',lambda st: st['haz'][0]['y']>=650),('J',),('to',336),('J',),('to',452),('wait',lambda st: st['haz'][1]['y']>=650),('J',),('to',588),('J',),('to',712),('wait',lambda st: st['haz'][2]['y']>=650),('J',),('to',960)],
  'Flames leap out of every pit; cross each one as its flame sinks.')
L(14,'p4',590,[(200,578),(290,642),(420,642),(520,610),(660,642),(880,578)],
  [(324,672,2,0,150)],[('leb',500,440,0,2,60,1)],
  [('J',),('to',340),('wait',lambda st: st['blocks'][0]['x']>=600),('to',800),('J',),('to',960)],
  'The moat again, with a skull dropping onto the raft.')
L(15,'p5',590,[(150,642),(260,578),(400,440),(520,514),(700,514),(900,578)],[],
  [('leb',420,504,2,0,40,1),('al',600,496,0,0,0,1)],
  [('to',190),('J',),('to',300),('J',),('to',348),('wait',lambda st: st['haz'][0]['x']>=420 and st['haz'][0]['dx']>0),('to',388),('J',),('to',564),('J',),('to',960)],
  'A skull paces the gallery; jump it as it turns away, then leap the flame.')
L(16,'p6',590,[(200,642),(330,500),(560,290),(800,290),(700,418),(830,514)],
  [(292,672,0,-2,196)],[('al',480,272,0,0,0,1)],
  [('to',340),('wait',lambda st: st['blocks'][0]['y']<=300 and st['blocks'][0]['dy']<0),('to',442),('J',),('to',604),('J',),('to',790),('back',700),('w',30),('to',960)],
  'The elevator again; a flame burns on the high ledge.')
L(17,'p7',590,[(150,642),(380,578),(480,540),(600,642),(720,540),(960,642)],[],
  [('al',252,680,0,-2,30,1),('leb',476,560,0,2,60,1),('al',700,680,0,-2,30,6),('zuby',580,640,0,0,0,3)],
  [('to',196),('wait',lambda st: st['haz'][0]['y']>=676),('J',),('to',330),('J',),('to',436),('wait',lambda st: st['haz'][1]['y']>=640 and st['haz'][1]['dy']>0),('J',),('to',552),('J',),('to',660),('wait',lambda st: st['haz'][2]['y']>=676),('J',),('to',780),('J',),('to',960)],
  'Fire pools with a skull diving into the middle one; teeth between.')
L(18,'p8',590,[(200,642),(340,578),(470,514),(600,578),(720,514),(860,578)],[],
  [('leb',440,632,2,0,40,1),('leb',700,632,-2,0,40,8),('leb',486,400,0,2,30,1)],
  [('to',250),('J',),('to',390),('wait',lambda st: st['haz'][2]['y']<=404),('J',),('to',530),('to',640),('J',),('to',960)],
  'The towers, now with a skull dropping over the first plank.')
L(19,'p9',590,[(150,642),(360,514),(520,450),(680,386),(820,482),(300,578)],[],
  [('zuby',470,576,0,0,0,1),('zuby',760,576,0,0,0,7),('leb',560,330,2,0,30,1)],
  [('to',150),('J',),('to',290),('J',),('to',440),('J',),('to',590),('wait',lambda st: st['haz'][2]['x']<=574 and st['haz'][2]['dx']<0),('J',),('to',960)],
  'The climb, with a skull sweeping over the top planks.')
L(20,'p10',590,[(200,642),(330,610),(450,642),(600,642),(700,642),(880,560)],
  [(516,672,2,0,86)],[('zuby',836,640,0,0,0,1),('al',640,700,0,-2,40,1,24)],
  [('to',250),('J',),('to',520),('wait',lambda st: st['blocks'][0]['x']>=600),('r',16),('wait',lambda st: st['blocks'][0]['x']>=686),('to',808),('J',),('to',960)],
  'The desert bridge with a flame leaping out of the lava.')
L(21,'p21',590,[(160,642),(330,642),(490,642),(640,642),(740,642),(860,642)],
  [(228,672,2,0,70),(548,672,2,0,86)],[('leb',640,480,0,2,40,1)],
  [('to',232),('ride',0,366,1,68),('to',470),('wait',lambda st: st['blocks'][1]['x']<=590 and st['blocks'][1]['dx']<0),('to',560),('ride',1,716,1,68),('to',960)],
  'Two moats, two rafts, and a skull between them.')
L(22,'p22',590,[(160,540),(250,642),(420,642),(600,642),(800,642),(880,642)],[],
  [('leb',560,548,2,0,30,1)],
  [('JU',),('to',290),('J',),('to',482),('wait',lambda st: st['haz'][0]['x']>=600 and st['haz'][0]['dx']>0),('J',),('to',674),('J',),('to',960)],
  'The low tunnel: short hops over the spikes under the rock.')
L(23,'p23',590,[(140,642),(290,610),(380,520),(450,578),(610,610),(770,578)],[],
  [('al',364,700,0,-2,30,1),('al',684,700,0,-2,30,10)],
  [('to',176),('J',),('to',332),('wait',lambda st: st['haz'][0]['y']>=690),('J',),('to',492),('J',),('to',652),('wait',lambda st: st['haz'][1]['y']>=690),('J',),('to',812),('J',),('to',960)],
  'Stepping stones over the lava lake, with flames in the gaps.')
L(24,'p24',590,[(200,642),(330,480),(500,290),(700,290),(800,418),(250,642)],
  [(292,672,0,-2,196)],[('leb',560,280,2,0,50,1)],
  [('to',340),('wait',lambda st: st['blocks'][0]['y']<=300 and st['blocks'][0]['dy']<0),('to',420),('wait',lambda st: st['haz'][0]['x']>=630 and st['haz'][0]['dx']>0),('to',548),('J',),('to',836),('w',40),('back',800),('to',960)],
  'The ice tower: up the elevator, past the skull, down through the hole.')
L(25,'p25',590,[(180,642),(330,642),(420,642),(540,560),(640,642),(850,642)],
  [(260,672,2,0,70)],[('leb',380,470,0,2,30,1),('leb',720,500,0,2,70,1),('al',900,624,0,0,0,1)],
  [('to',264),('ride',0,398,1,68),('to',520),('J',),('to',650),('wait',lambda st: st['haz'][1]['y']<=552 and st['haz'][1]['dy']<0),('to',850),('J',),('to',960)],
  'The last hall: the raft, the spikes, a diving skull and the final leap.')
