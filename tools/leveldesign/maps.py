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

# p21 castle: moats, a pool and four floors
m = skeleton('castle', 4, 'S', 'S', '#')
pit(m, 0, 6, 12, '~')
pit(m, 0, 16, 21, '~')
pit(m, 1, 8, 15, '~')
pit(m, 2, 14, 21, '~')
hurdle(m, 3, 10, '#')
M['p21'] = m

# p22 cave: spikes and fire in narrow corridors
m = skeleton('cave', 4, '#', 'S', 'S')
for level, c0, c1 in ((0, 9, 10), (0, 18, 19), (1, 12, 13), (2, 10, 11), (2, 20, 21), (3, 12, 13)):
    pit(m, level, c0, c1, '^' if (level + c0) % 2 else '~')
M['p22'] = m

# p23 desert: a lava lake with stepping stones
m = skeleton('desert', 3, '#', 'G')
pit(m, 0, 5, 22, '~')
for c in (8, 13, 18):
    R(m, c, 23, c + 1, 23, 'S')
pit(m, 1, 7, 14, "~")
pit(m, 2, 13, 22, '~')
M['p23'] = m

# p24 ice: the great tower
m = skeleton('ice', 4, 'S', 'S')
pit(m, 1, 9, 10, '.')
pit(m, 1, 18, 19, '.')
pit(m, 2, 15, 16, '.')
pit(m, 3, 11, 12, '.')
hurdle(m, 0, 16, 'S')
M['p24'] = m

# p25 castle: the last hall, everything at once
m = skeleton('castle', 4, 'S', 'S', '#')
pit(m, 0, 6, 20, '~')
pit(m, 1, 11, 12, '~')
pit(m, 1, 19, 20, '~')
pit(m, 2, 13, 19, '~')
pit(m, 3, 14, 15, '^')
hurdle(m, 3, 8, '#')
M['p25'] = m

if __name__ == '__main__':
    for k, v in M.items():
        save(k, v)
