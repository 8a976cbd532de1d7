# The tile maps of the fifteen backgrounds; running it rewrites
# assets/pictures/krajina/pN.map (then run klice-artgen to draw them).
#
# Every map shares one frame: walls at the left and right edges (the top
# is open, so that jumps from the highest floor keep their height; the top
# left tiles stay black under the music-key hint), the ground's top at row
# 23 (y 736), and floors at rows 17 (y 544),
# 11 (y 352) and 5 (y 160), 192 px apart: a fall from one floor to the next
# is deadly however it starts, and a figure can jump under a floor without
# bumping its head. The floors leave shafts for the lifts (moving blocks):
# the first floor ends at column 24, the lift from the ground rising at
# columns 25-27; the second starts at column 6, its lift rising from the
# first at columns 3-5; the third ends at column 24 again. Hurdles are one
# tile (32 px), so that jumping off one is as safe as walking off it, and
# pits and pools are flush with their floor. Columns 28-30 stay open from
# row 21 down to the ground, where the exit arrow is drawn (y 690 to 733).
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


# p1 meadow: hurdles on every floor
m = skeleton('meadow')
for level, c in ((0, 8), (0, 15), (0, 20), (1, 17), (1, 10), (2, 12), (2, 20)):
    hurdle(m, level, c, 'G' if level == 0 else 'S')
M['p1'] = m

# p2 meadow: spiked pits in every floor
m = skeleton('meadow')
for level, c0, c1 in ((0, 7, 8), (0, 13, 14), (0, 19, 20), (1, 18, 19), (1, 10, 11), (2, 11, 12), (2, 18, 19),
                      (2, 23, 24)):
    pit(m, level, c0, c1, '^')
M['p2'] = m

# p3 meadow: four floors, a hurdle and a pit on each
m = skeleton('meadow', 4)
for level, c in ((0, 10), (1, 14), (2, 16), (3, 9)):
    hurdle(m, level, c, 'G' if level == 0 else 'S')
for level, c0, c1 in ((0, 17, 18), (1, 7, 8), (2, 22, 23), (3, 16, 17)):
    pit(m, level, c0, c1, '^')
M['p3'] = m

# p4 castle: a lava moat on the ground and a pool above, crossed on rafts
m = skeleton('castle', 3, 'S', 'S', '#')
pit(m, 0, 6, 21, '~')
pit(m, 2, 12, 21, '~')
hurdle(m, 1, 12, '#')
M['p4'] = m

# p5 castle: four floors of lifts, hurdles and pools
m = skeleton('castle', 4, 'S', 'S', '#')
for level, c0, c1 in ((0, 12, 13), (1, 15, 16), (2, 12, 13), (3, 14, 15)):
    pit(m, level, c0, c1, '~')
for level, c in ((0, 19), (1, 9), (2, 20), (3, 7)):
    hurdle(m, level, c, '#')
M['p5'] = m

# p6 cave: fire pools on every floor, for the flames to leap from
m = skeleton('cave', 3, '#', 'S', 'S')
for level, c0, c1 in ((0, 8, 9), (0, 15, 16), (0, 21, 22), (1, 17, 18), (1, 9, 10), (2, 12, 13), (2, 22, 23)):
    pit(m, level, c0, c1, '~')
M['p6'] = m

# p7 cave: long corridors where skulls crawl, with stones to stand on
m = skeleton('cave', 3, '#', 'S', 'S')
for level, c in ((0, 14), (1, 9), (2, 12), (2, 21)):
    hurdle(m, level, c, 'S')
M['p7'] = m

# p8 ice: planks with gaps; teeth slide below
m = skeleton('ice', 3, 'S', 'S')
pit(m, 1, 12, 13, '.')
pit(m, 2, 19, 20, '.')
hurdle(m, 0, 10, 'S')
hurdle(m, 0, 18, 'S')
M['p8'] = m

# p9 ice: a tower of four floors with gaps and hurdles
m = skeleton('ice', 4, 'S', 'S')
pit(m, 1, 15, 16, '.')
pit(m, 2, 11, 12, '.')
pit(m, 3, 13, 14, '.')
hurdle(m, 0, 13, 'S')
hurdle(m, 2, 20, 'S')
M['p9'] = m

# p10 desert: lava between dunes, crossed on rafts, on two floors
m = skeleton('desert', 3, '#', 'G')
pit(m, 0, 7, 12, '~')
pit(m, 0, 16, 22, '~')
pit(m, 1, 8, 14, '~')
hurdle(m, 2, 15, 'S')
M['p10'] = m

def drawn(theme, text):
    # A map drawn as 24 rows of 32 tiles (see artgen's legend).
    rows = text.strip('\n').split('\n')
    assert len(rows) == 24 and all(len(r) == 32 for r in rows), theme
    return {'theme': theme, 'g': [list(r) for r in rows]}


# Levels 21-25 descend a tower of four floors 192 px apart (a fall from one
# to the next is deadly however it starts). Each floor ends in a drop onto
# a plank ledge under the floor above (a plank is solid in its top half, so
# the passage under it is 80 px high and a jump there rises ~10 px: the
# drops of three rows off it are safe), which leads back to the drop to the
# next floor: every floor is crossed twice, in both directions. The rooms
# over the floors are five rows high where the route jumps.


# p21 castle: a furnace of ledges: every floor is broken by pools of lava,
# each over a room five rows high (a jump below never reaches it); drops
# at alternating ends onto plank ledges under the floor above, and a row
# of stones over a burning moat at the bottom.
M['p21'] = drawn('castle', '''
......................SSSSSSSSSS
#.....................SSSSSSSSS#
#...........................SSS#
#...........................SSS#
#...........................SSS#
#SSSSS~~SSSSSS~~~SSSWWWWWWW.SSS#
#SSSSS......................SSS#
#SSSSS......................SSS#
#....................WWWWWWWSSS#
#...........................SSS#
#...........................SSS#
#.WWWWWWS~~SSSSS~~SSSSSSSSSSSSS#
#.....................SSSSSSSSS#
#.....................SSSSSSSSS#
#WWWWWW.....................SSS#
#...........................SSS#
#...........................SSS#
#SSSSSSSSS~~SSSSS~~SWWWWWWW.SSS#
#..............................#
#..............................#
#....................WWWWWWW...#
#..............................#
#..............................#
#SSSSSS~~~SSSS~~~SSSSSSSSSSSSSS#
''')

# p22 cave: caverns: pits of spikes three tiles wide in every upper floor,
# for skulls to crawl between, and pools of lava at the bottom; the roof
# over the top floor's end keeps a jump there low, so that the drop to the
# ledge below stays safe.
M['p22'] = drawn('cave', '''
......................##########
#.....................##########
#...........................####
#...........................####
#...........................####
#SSSSSS^^^SSSSSSSSSSWWWWWWW.####
######......................####
######......................####
#....................WWWWWWW####
#...........................####
#...........................####
#.WWWWWWSSSSSS^^^SSSSSSSSSSSSSS#
#.....................##########
#.....................##########
#WWWWWW.....................####
#...........................####
#...........................####
#SSSSSSSSS^^^SSSSSSWWWWWWWW.####
#..............................#
#..............................#
#....................WWWWWWW...#
#..............................#
#..............................#
#SSSSS~~~SSSSSS~~~SSSSSSSSSSSSS#
''')

# p23 desert: rafts over lava: a lake six tiles wide in each upper floor,
# crossed on a raft (its sweep reaches over both shores, so it is stepped
# on and off), and stepping stones over the burning moat at the bottom.
# The sky over the top floor is open: its skull is jumped near the end.
M['p23'] = drawn('desert', '''
............................GGGG
#...........................GGG#
#...........................GGG#
#...........................GGG#
#...........................GGG#
#GGGGGGGGG~~~~~~GGGGWWWWWWW.GGG#
#SSSSS......................GGG#
#SSSSS......................GGG#
#....................WWWWWWWGGG#
#...........................GGG#
#...........................GGG#
#.WWWWWWGG~~~~~~GGGGGGGGGGGGGGG#
#.....................GGGGGGGGG#
#.....................GGGGGGGGG#
#WWWWWW.....................GGG#
#...........................GGG#
#...........................GGG#
#GGGGGGGGG~~~~~~GGGWWWWWWWW.GGG#
#..............................#
#..............................#
#....................WWWWWWW...#
#..............................#
#..............................#
#GGGG~~~GGGG~~~GGGGGGGGGGGGGGGG#
''')

# p24 ice: crevasses: a gap three tiles wide in every upper floor drops to
# the floor below, deadly from any height; teeth slide beyond each; pools
# of lava at the bottom.
M['p24'] = drawn('ice', '''
......................SSSSSSSSSS
#.....................SSSSSSSSS#
#...........................SSS#
#...........................SSS#
#...........................SSS#
#SSSSSSS...SSSSSSSSSWWWWWWW.SSS#
#SSSSS......................SSS#
#SSSSS......................SSS#
#....................WWWWWWWSSS#
#...........................SSS#
#...........................SSS#
#.WWWWWWSSSSSSS...SSSSSSSSSSSSS#
#.....................SSSSSSSSS#
#.....................SSSSSSSSS#
#WWWWWW.....................SSS#
#...........................SSS#
#...........................SSS#
#SSSSSSSSSS...SSSSSWWWWWWWW.SSS#
#..............................#
#..............................#
#....................WWWWWWW...#
#..............................#
#..............................#
#SSSSS~~~SSSSS~~~SSSSSSSSSSSSSS#
''')

# p25 castle: the last hall: a pool and a skull on the top floor, lakes
# crossed on rafts on the next two, the burning moat at the bottom.
M['p25'] = drawn('castle', '''
......................##########
#.....................##########
#...........................####
#...........................####
#...........................####
######~~~###########WWWWWWW.####
######......................####
######......................####
#....................WWWWWWW####
#...........................####
#...........................####
#.WWWWWW##~~~~~~################
#.....................##########
#.....................##########
#WWWWWW.....................####
#...........................####
#...........................####
#########~~~~~~####WWWWWWWW.####
#..............................#
#..............................#
#....................WWWWWWW...#
#..............................#
#..............................#
#######~~~####~~~###############
''')


if __name__ == '__main__':
    for k, v in M.items():
        save(k, v)
