# The tile maps of the fifteen backgrounds; running it rewrites
# assets/pictures/krajina/pN.map (then run klice-artgen to draw them).
#
# Every map has walls at the left and right edges (the top is open, so that
# jumps from the highest floor keep their height; the top left tiles stay
# black under the music-key hint) and the ground's top at row 23 (y 736).
# Columns 28-30 stay open from row 21 down to the ground, where the exit
# arrow is drawn (y 690 to 733).
#
# The maps of levels 1-10 are drawn tile by tile (from_rows), each a layout
# of its own, and what the rules allow decides every one. A jump rises 76 px
# in 12 ticks and its rising ticks count towards the fall limit, so a jump
# off a ledge is survived only if it lands at most ~36 px lower, while
# walking off survives 160 px: under open sky, neighbouring floors are one
# row apart or six (deadly either way). A ceiling changes that: three rows
# above the floor a jump rises ~24 px (a drop of three rows at the end of
# such a passage is safe walking or jumping), and under plank ceilings (a
# plank is solid in the top half of its tile) a passage is 80 px high and a
# jump rises ~10 px, so drops of three or four rows from it are safe.
# Climbing two rows needs the whole 76 px: a room five rows high in front of
# the step. Over red every fall is deadly, so floors there may sit at any
# height. A lift moving 3 px a tick drops its rider where it turns at its
# lower end (the rider stands 3 px ahead of it and it holds 5): there it
# must rest on a floor, which then rises through a figure standing on it.
# At 2 px a tick a lift keeps its rider, and one flush with the floor at
# its lower end takes up a figure standing there.
#
# The maps of levels 21-25 start from a skeleton: floors at rows 17 (y 544),
# 11 (y 352) and 5 (y 160), 192 px apart: a fall from one floor to the next
# is deadly however it starts, and a figure can jump under a floor without
# bumping its head. The floors leave shafts for the lifts (moving blocks):
# the first floor ends at column 24, the lift from the ground rising at
# columns 25-27; the second starts at column 6, its lift rising from the
# first at columns 3-5; the third ends at column 24 again. Hurdles are one
# tile (32 px), so that jumping off one is as safe as walking off it, and
# pits and pools are flush with their floor.
import os
ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..'))
OUT = ROOT + '/assets/pictures/krajina'


def new(theme, wall='#', ground='G'):
    m = {'theme': theme, 'g': [['.'] * 32 for _ in range(24)]}
    # The left wall starts one tile down: the music-key hint (168 x 30) is
    # drawn over the top left corner of every frame and must lie on black.
    R(m, 0, 1, 0, 23, wall)
    R(m, 31, 0, 31, 23, wall)
    R(m, 1, 23, 30, 23, ground)
    return m


def R(m, c0, r0, c1, r1, ch):
    for r in range(r0, r1 + 1):
        for c in range(c0, c1 + 1):
            m['g'][r][c] = ch


def floor(m, row, c0, c1, ch='W'):
    R(m, c0, row, c1, row, ch)


def save(name, m):
    for c in range(0, 6):
        assert m['g'][0][c] == '.', (name, 'the music-key hint needs black at', c, 0)
    for r in range(21, 23):
        for c in range(28, 31):
            assert m['g'][r][c] == '.', (name, 'the exit arrow needs black at', c, r)
    with open(os.path.join(OUT, name + '.map'), 'w') as f:
        f.write('theme ' + m['theme'] + '\n')
        for row in m['g']:
            f.write(''.join(row) + '\n')


M = {}
F = {0: 23, 1: 17, 2: 11, 3: 5}  # the tile row of each floor's top


def skeleton(theme, floors=3, wall='#', ground='G', plank='W'):
    m = new(theme, wall, ground)
    floor(m, F[1], 1, 24, plank)
    floor(m, F[2], 6, 30, plank)
    if floors == 4:
        floor(m, F[3], 1, 24, plank)
        floor(m, F[3], 28, 30, plank)
    return m


def hurdle(m, level, c, ch):
    R(m, c, F[level] - 1, c, F[level] - 1, ch)


def pit(m, level, c0, c1, ch):
    R(m, c0, F[level], c1, F[level], ch)


def from_rows(theme, text):
    """A map drawn as 24 rows of 32 tiles (see artgen's legend)."""
    rows = text.strip('\n').split('\n')
    assert len(rows) == 24 and all(len(r) == 32 for r in rows), theme
    return {'theme': theme, 'g': [list(r) for r in rows]}


# p1 meadow: three meadows, one above the other, joined by lifts at alternating ends (lifts
# move 2 px a tick, flush with the floors they serve). A plank cascade at the right
# takes the third meadow down to the first without a lift. The shaft of the lowest lift
# is 192 px deep, a deadly fall: spikes at its foot say so.
M['p1'] = from_rows('meadow', '''
................................
#......................SSSSSSSS#
#......................SSSSSSSS#
#......................SSSSSSSS#
#........S.....S.......SSSSSSSS#
#GGGGGGGGGGGGGGGGGGG...SSSSSSSS#
#......................SSSSSSSS#
#......................SSSSSSSS#
#...........................SSS#
#...........................SSS#
#............S....S.........SSS#
#......GGGGGGGGGGGGGGGGWWW..SSS#
#...........................SSS#
#...........................SSS#
#.......................WWWWSSS#
#...........................SSS#
#.........S......S..........SSS#
#...GGGGGGGGGGGGGGGGGGGWWW.....#
#..............................#
#..............................#
#.......................WWWW...#
#..............................#
#.....S........................#
#^^GGGGGGGGGGGGGGGGGGGGGGGGGGGG#
''')

# p2 cave: grottos, one below the other: each ends in a drop to a ledge under its own
# plank floor, which leads back to a drop into the next grotto, turning at each end.
# The hump in the top grotto stands by the start and the spikes lie past its middle:
# walking off the hump lands 34 ticks of walk short of them, so a jump pressed there is
# not refused by the cooldown of the jump onto the hump.
M['p2'] = from_rows('cave', '''
....................SSSSSSSSSSSS
#...................SSSSSSSSSSS#
#..........................SSSS#
#.....SS...................SSSS#
#.....SS...................SSSS#
#SSSSSSSSSSSSSS^^WWWWWWWW..SSSS#
#SSSSSS....................SSSS#
#SSSSSS....................SSSS#
#.................WWWWWWWWWSSSS#
#..........................SSSS#
#..............S...........SSSS#
#..WWWWWWWSSSSSSSSSSSSSSSSSSSSS#
#....................SSSSSSSSSS#
#....................SSSSSSSSSS#
#WWWWWWWW...................SSS#
#...........................SSS#
#...........................SSS#
#SSSSSSSSSS^^SSSSWWWWWWWWW..SSS#
#..............................#
#..............................#
#.................WWWWWWWWWW...#
#..............................#
#.......S......................#
#SSSSSSSSSSSSSS^^SSSSSSSSSSSSSS#
''')

# p3 ice: bridges over a chasm of spikes between two cliffs; the cliffs hold the drops
# from one bridge to the next. Red below makes every fall over the chasm deadly, so the
# bridges may sit at any height.
M['p3'] = from_rows('ice', '''
........................SSSSSSSS
#.......................SSSSSSS#
#.......................SSSSSSS#
#.......................SSSSSSS#
#...........................SSS#
#...........................SSS#
#.S.........................SSS#
#SSSSSWWWWWW.....WWWWWWWWWW.SSS#
#SSSSS......................SSS#
#SSSSS......................SSS#
#.......................WWWWSSS#
#...........................SSS#
#...........................SSS#
#.WWWWWWW.....WWWWWWWWWWSSSSSSS#
#.......................SSSSSSS#
#.......................SSSSSSS#
#WWWWW..................WWWWSSS#
#...........................SSS#
#...........................SSS#
#WWWWWWWWWWWWWW..WWWWWWWWWW....#
#SSSSS..................SSS....#
#SSSSS..................SSS....#
#SSSSS..................SSS....#
#SSSSS^^^^^^^^^^^^^^^^^^SSSSSSS#
''')

# p4 cave: a mine: galleries on both sides of a shaft with a cage (a lift from the second
# gallery to the third), a drop from the top gallery and a drop at the far left. The cage
# moves 2 px a tick, flush with both galleries' floors at its ends: it keeps a rider where
# it turns at the bottom and takes up a figure standing at the shaft's foot.
M['p4'] = from_rows('cave', '''
......##########################
#...........####################
#....................###########
#....................###########
#....................###########
#WWWWWWWWWWWWWWWWWWW.W##########
############..........##########
#...........................####
#............WWWWWWWW.......####
#...........................####
#....S..................S...####
#WWWWWWWWWWWWW...WWWWWWWWWWW####
##############...###############
#######.....................####
#...........................####
#...........................####
#.........S..............S..####
#..WWWWWWWWWWWWWWWWWWWWWWWWW####
#.........######################
#..............................#
#WWWWWWWW......................#
#..............................#
#..........S.........S.........#
################################
''')

# p5 castle: a castle: rooms stepping two rows up to the tower room and down again (a room
# five rows high before each step up, a doorway three rows high after it), then halls
# joined by trapdoors.
M['p5'] = from_rows('castle', '''
......##########....############
################....############
#########...............########
#########...............########
#...........................####
#.............########......####
#.............########......####
#......##############WWWWW.W####
#......##############.......####
#################...........####
#######...............WWWWWW####
#######.....................####
#...........................####
#..............####~############
#..............#################
#.WWWWWWWWWW####################
#...........####################
#...........####################
#WWWWWWWWWW....................#
#..............................#
#..............................#
#################..............#
#################..............#
################################
''')

# p6 cave: the furnace stair: no floors, a broken stair of stone steps over
# a furnace whose pools burn in the ground. Each step is one tile thick and
# a row above or below the next, five tiles wide with gaps of two or three
# (a jump off one lands on the next, never lower; 200 px between
# take-offs, so a player who runs on may jump again), in two flights six
# rows apart (a fall from the upper to the lower is deadly however it
# starts, and a figure jumps under the upper without bumping its head).
# The gaps of both flights lie over the pools, so that what a fall ends in
# shows red. The upper flight's lift goes down its first gap, over the
# first pool, to the lower flight's first step; the lower flight's lift,
# beside its last step, rests on the ground by the exit (a lift moving 3 px
# a tick keeps its rider at its lower end only where it rests on a floor).
def furnace_stair():
    m = new('cave', ground='S')
    R(m, 28, 0, 30, 17, 'S')   # the right wall: the exit below it
    floor(m, 5, 1, 7, 'S')     # the upper flight: the start
    floor(m, 6, 11, 15, 'S')
    floor(m, 6, 18, 22, 'S')
    floor(m, 7, 23, 27, 'S')
    floor(m, 12, 1, 7, 'S')    # the lower flight
    floor(m, 13, 11, 15, 'S')
    floor(m, 14, 18, 22, 'S')
    R(m, 9, 23, 10, 23, '~')   # the furnace's pools in the ground
    R(m, 16, 23, 17, 23, '~')
    return m


M['p6'] = furnace_stair()

# p7 meadow: terraces: a ramp of one-row steps down the hillside to the right, under an
# overhang, a drop, and a second ramp back under the first to the left.
M['p7'] = from_rows('meadow', '''
...............................G
#....................SSSSSSSGGG#
#....................SSSSSSSGGG#
#....................SSSSSSSGGG#
#....................SSSSSSSGGG#
#GGGGG.................SSSSSGGG#
#GGGGGGGGGG............WW...GGG#
#GGGGGGGGGGGGGGG............GGG#
#GGGGGGGGGGGGGGGGGGGG.......GGG#
#GGGGGGGGGGGGGGGGGGGGGGGG...GGG#
#SSSSS......................GGG#
#SSSSS......................GGG#
#SSSSS......................GGG#
#WWWWW...............GGGGWWWGGG#
#...............GGGGGGGGGGGGGGG#
#..........GGGGGGGGGGGGGGGGGGGG#
#.....WWWGGGGGGGGGGGGGGGGGGGGGG#
#..WWW...GGGGGGGGGGGGGGGGGGGGGG#
#..............................#
#..............................#
#WWWWWWW.......................#
#..............................#
#..............................#
#GGGGGGGGGGGGGGGGGGGGGGGGGGGGGG#
''')

# p8 ice: ice caves: a crust of ice with open sky over it, and tunnels in the
# ice below, each crossed the other way. The crust begins with a ridge one
# row high by the start: a first walk right meets its face, not the spike
# pit beyond it. The ridge is long enough (39 ticks of walk after a climb
# from its foot) that a jump over the pit from its edge is not refused by
# the climb's cooldown; a jump off it lands one row lower, as is safe.
# A mouth in the crust is a lift's
# shaft: the lift rises past the crust and sinks into the first tunnel's
# floor, where it rests over spikes. Each tunnel ends in a gap by the wall,
# four rows down to the next, under a hanging plank (a plank ceiling keeps
# a jump there about as low as a walk off, so the drop is safe either way).
# The second tunnel's floor is broken by a pool of spikes crossed on a raft;
# the last drop lands on a shelf over the cavern at the bottom, left at its
# far end onto a step three rows down (a drop of four would kill a jump).
# The cavern's pool is crossed on a raft; the exit is reached under the
# shelf. The step stands one tile clear of the pool, so that a fall off it
# lands on the floor and not on the spikes' sill.
M['p8'] = from_rows('ice', '''
............................SSSS
#...........................SSS#
#...........................SSS#
#...........................SSS#
#....SSSSSSS................SSS#
#SSSSSSSSSSS^^SSSSS..SSSSSSSSSS#
#...........................SSS#
#WWWWW......................SSS#
#...........................SSS#
#...........................SSS#
#.SSSSSSSSSSSSSSSSS^^SSSSSSSSSS#
#...........................SSS#
#......................WWWWWSSS#
#...........................SSS#
#SSS........................SSS#
#SSSSSSSSS^^^^^^^SSSSSSSSSS.SSS#
#...........................SSS#
#...........................SSS#
#...........................SSS#
#................SSSSSSSSSSSSSS#
#..............................#
#..............................#
#.............SS...............#
#SSSSSS^^^^^^SSSSSSSSSSSSSSSSSS#
''')

# p9 desert: a pyramid: the great stair climbs two rows a step to the chamber at the top and
# goes down again; the hall below (with a dais one row high in its middle) and the vault
# below that lead back and out.
M['p9'] = from_rows('desert', '''
......##########################
################################
###############....#############
#############........###########
#############.........##########
########................########
########.......####......#######
#..............####.......######
#.........############....######
#.........############......####
#....####################...####
#....####################...####
####################WWWWWWW.####
######......................####
######......................####
#....................WWWWWWW####
#...........................####
#..............####.........####
#.WWWWWWW#######################
#..............................#
#..............................#
#WWWWWWW.......................#
#..............................#
########~#######~###############
''')

# p10 desert: sand falls: floors with pits of lava crossed on rafts, drops at alternating
# ends, fire in the pit at the bottom.
M['p10'] = from_rows('desert', '''
.....................SSSSSSSGGGG
#....................SSSSSSSGGG#
#...........................GGG#
#...........................GGG#
#....GGG....................GGG#
#GGGGGGGGG~~~~GGGGGWWWWWWWW.GGG#
#SSSSS......................GGG#
#SSSSS......................GGG#
#...................WWWWWWWWGGG#
#...........................GGG#
#...........................GGG#
#.WWWWWWWGGG~~~~GGGGGGGGGGGGGGG#
#.....................SSSSSSGGG#
#.....................SSSSSSGGG#
#WWWWWWW....................GGG#
#...........................GGG#
#...........................GGG#
#GGGGGGGGGG~~~~GGGGWWWWWWWW.GGG#
#..............................#
#..............................#
#...................WWWWWWWW...#
#..............................#
#..............................#
#GGGGG~~GGGGGGGGGGGGGGGGGGGGGGG#
''')

def drawn(theme, text):
    # A map drawn as 24 rows of 32 tiles (see artgen's legend).
    rows = text.strip('\n').split('\n')
    assert len(rows) == 24 and all(len(r) == 32 for r in rows), theme
    return {'theme': theme, 'g': [list(r) for r in rows]}


# Levels 21-25 once descended one tower of four floors 192 px apart (a fall
# from one to the next is deadly however it starts); each now has a layout
# of its own. Level 25 keeps only the tiers' heights: its islands float
# over a lake (see p25); level 21 is a stair (see p21), level 22 a maze of
# ledges (see p22), level 23 a field of spikes (see p23), level 24 a pit
# (see p24).


# p21 castle: the great stair: three flights of one-row steps, each falling
# to the right, six rows apart (a figure climbs a step under the flight
# above without bumping its head). Steps are five tiles wide, so that a
# jump off one lands on the next, never two rows down. Each flight ends in
# a plank step and a gap by the wall. Under the top flight's end a raft
# sweeps the shaft three rows down (the passage under the step is 80 px
# high); it must be there when the figure drops, and leads three rows down
# onto the last step of the flight below. Under the middle one a plank
# ledge does the same. A roof over the top flight's end keeps a jump there
# low, so that the drop stays safe. The lowest flight stands on a vault
# three rows high that leads from the gap by the exit back under the
# stair. The top flight is walked down; the two below are climbed to their
# top and walked down again.
M['p21'] = drawn('castle', '''
............................SSS#
#...........................SSS#
#...........................SSS#
#...........................SSS#
#SSSSS.................SSSSSSSS#
#.....SSSSS.................SSS#
#..........SSSSS............SSS#
#...............SSSSS.......SSS#
#....................WWWWWW.SSS#
#...........................SSS#
#SSSSS......................SSS#
#.....SSSSS.................SSS#
#..........SSSSS............SSS#
#...............SSSSS.......SSS#
#....................WWWWWW.SSS#
#...........................SSS#
#SSSSS......................SSS#
#SSSSSSSSSS............WWWWWSSS#
#SSSSSSSSSSSSSSS............SSS#
#SSSSSSSSSSSSSSSSSSSS.......SSS#
#....................WWWWWW....#
#..............................#
#..............................#
#SSSSSSSSSSSSSSSSSSSSSSSSSSSSSS#
''')

# p22 cave: a maze of ledges: short ledges of stone over spikes, in three
# tiers whose ledges lie five rows or more apart (a fall from one tier to
# the next is deadly however it starts, and a jump that misses never lands
# on a floor it could have walked to). Within a tier each ledge is a row
# above or below the next: over a gap of one tile a walk off lands on the
# lower one and a jump climbs to the higher; over two tiles every step is
# a jump. A lift in a shaft by the start joins the top tier to the middle
# one and rests on its first ledge; a long lift at the middle tier's end
# goes down to the bottom tier's lowest ledge, by the exit. The top tier is
# crossed to the ledge by the pillar and back; that ledge reaches back under
# the end of the last, a pocket left only by a jump (a walk off it fell to
# the middle tier). A pocket of the same kind lies under the gap before the
# last ledge, so that a walk left off that ledge steps down into it instead
# of falling to the middle tier. The bottom tier is climbed to the top left
# and walked down again; fire leaps through two of its gaps. On the middle
# tier the ledge under the key's step reaches up to that step, leaving no
# gap: a gap there took a walker right through to a fall onto the bottom
# tier's stone, a death nothing showed; now a walk stops at the step and a
# jump climbs it.
M['p22'] = drawn('cave', '''
............................####
#...........................####
#...........................####
#...........................####
#............SSSSS..........####
#SSSS...SSSS........SSSSS...####
#.................SS.....SSS####
#...........................####
#...........................####
#...........................####
#...........................####
#SSSSSSSSSSS......SSSS......####
#............SSSSS....SS....####
#...........................####
#...........................####
#...........................####
#...........................####
#...........................####
#...........................####
#SSS........................####
#....SSSSS.....................#
#...........SSSSS..............#
#..................SSSSSSSS....#
#^^^^^^^^^^^^^^^^^^SSSSSSSSSSSS#
''')

# p23 desert: the spike field: no floors, a bed of spikes under the whole
# climb down and islands of earth on three tiers 192 px apart (a figure
# jumps under a tier without bumping its head), crossed on rafts and left
# by lifts: the first tier by a lift flush with its far island's edge, the
# second by stepping off its island onto a lift as it rises under the edge.
# The third tier's island is left by stepping off onto a raft just over the
# spikes, which carries the figure to stepping stones (fire leaps between
# them) and back to the ground by the exit. The spikes stop 320 px short of
# the exit column, so that no death on them comes near it, and the island
# over the exit keeps every fall from above away from the ground there.
def spike_field():
    m = new('desert')
    R(m, 28, 0, 30, 19, 'G')   # the right wall: the exit column only below it
    R(m, 1, 23, 17, 23, '^')   # the bed of spikes
    floor(m, 6, 1, 8, 'G')     # the start
    floor(m, 6, 19, 27, 'G')   # the first tier's far island
    floor(m, 12, 1, 7, 'G')    # the second tier's island by the left wall
    floor(m, 18, 17, 27, 'G')  # the third tier's island, over the exit
    floor(m, 22, 1, 2, 'S')    # stepping stones in the spikes, out and back
    floor(m, 22, 5, 11, 'S')
    return m


M['p23'] = spike_field()

# p24 ice: the pit: a shaft the whole height of the screen with lava at its
# foot. Ledges jut from both walls, four rows apart from one wall to the
# other and eight on the same wall (a fall from one to the next on a wall
# is deadly however it starts). A column of lifts in the middle of the
# shaft moves as one, each lift four rows under the last, so that a figure
# riding one passes under the one above; each ledge's edge lies a jump from
# the lifts. The start ledge is the exception: it lies only two rows over
# the first right ledge and reaches to a tile short of the lifts, so the
# first lift, which rises no higher than a jump's top and sinks no lower
# than a jump off the start survives, catches every jump from it (a jump
# off a ledge survives at most ~36 px of drop). At the foot, a ledge on
# each side one row over the lava; the right one runs under the lowest
# right ledge to the exit, so that no fall from above reaches the floor
# near the exit.
M['p24'] = drawn('ice', '''
............................SSSS
#...........................SSS#
#...........................SSS#
#...........................SSS#
#...........................SSS#
#...........................SSS#
#...........................SSS#
#...........................SSS#
#SSSSSSSSS..................SSS#
#...........................SSS#
#................SSSSSSSSSSSSSS#
#...........................SSS#
#...........................SSS#
#...........................SSS#
#SSSSSSS....................SSS#
#...........................SSS#
#...........................SSS#
#...........................SSS#
#................SSSSSSSSSSSSSS#
#..............................#
#..............................#
#..............................#
#SSSSSSS.........SSSSSSSSSSS...#
#SSSSSSS~~~~~~~~~SSSSSSSSSSSSSS#
''')

# p25 castle: the lake: no floors, only islands of stone over a lake of lava
# that fills the bottom to the middle, crossed on rafts and left by lifts.
# The islands of one tier lie 192 px over those of the next (a fall between
# them is deadly however it starts), and each tier is crossed the other way.
# The first lift's shaft (columns 24-26) is reached over a tile of lava at
# column 22: walking off the island is death, and a jump meets the lift only
# near its top (30 px under the island). The stone under column 23 keeps a
# figure dropping off the lift's left side from falling past the lava.
M['p25'] = drawn('castle', '''
............................####
#...........................####
#...........................####
#...........................####
#...........................####
#SSSSSS.....SSSSSS..SS~.....####
#......................S....####
#...........................####
#...........................####
#...........................####
#...........................####
#SSS...SSSSS.......SSSSSSSS.####
#...........................####
#...........................####
#...........................####
#...........................####
#...........................####
#...SSSSSSS......SSSSS...SSS####
#...........................####
#..............................#
#..............................#
#..............................#
#..............................#
#~~~~~~~~~~~~~~~~SSSSSSSSSSSSSS#
''')


if __name__ == '__main__':
    for k, v in M.items():
        save(k, v)
