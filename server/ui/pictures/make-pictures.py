#!/usr/bin/env python3
# Draws the status window's pictures and writes them as XPM files (kept in the repository).
# Run from this folder: python3 make-pictures.py
PALETTE = {
    'w': '#FFFFFF', 'k': '#000000', 'b': '#0000FF', 'g': '#00C000', 'G': '#008000',
    'r': '#FF0000', 't': '#008080', 'y': '#FFC000', 'Y': '#C08000', 's': '#C0C0C0',
    'S': '#808080', 'n': '#000080', 'c': '#00FFFF',
}


def canvas(width, height):
    return [['w'] * width for _ in range(height)]


def fill(pixels, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            pixels[y][x] = colour


def triangle(pixels, left, top, size, fill_colour, outline):
    # Right-pointing: the left edge is vertical, the point sits in the middle of the right side.
    half = (size - 1) / 2
    for y in range(size):
        reach = int(round((half - abs(y - half)) * (size - 1) / half)) if half else 0
        for x in range(reach + 1):
            edge = x == 0 or x == reach or y == 0 or y == size - 1
            pixels[top + y][left + x] = outline if edge else fill_colour


def state_strip():
    pixels = canvas(48, 16)
    triangle(pixels, 3, 1, 13, 'b', 'g')          # 0: busy
    fill(pixels, 16 + 4, 4, 16 + 13, 13, 't')     # 1: idle, dark teal shadow
    fill(pixels, 16 + 2, 2, 16 + 11, 11, 'r')     #    red square
    fill(pixels, 32 + 4, 4, 32 + 13, 13, 'G')     # 2: listening, dark green shadow
    fill(pixels, 32 + 2, 2, 32 + 11, 11, 'g')     #    green square
    return pixels


def padlock():
    pixels = canvas(16, 16)
    # Shackle.
    for y in range(1, 8):
        for x in (4, 5, 10, 11):
            pixels[y][x] = 'S'
    fill(pixels, 5, 1, 10, 2, 'S')
    fill(pixels, 6, 1, 9, 1, 'k')
    # Body with outline and keyhole.
    fill(pixels, 2, 7, 13, 15, 'k')
    fill(pixels, 3, 8, 12, 14, 'y')
    fill(pixels, 3, 13, 12, 14, 'Y')
    fill(pixels, 7, 9, 8, 11, 'k')
    pixels[12][7] = pixels[12][8] = 'k'
    return pixels


def program_icon(size):
    # A handheld with a screen, and a blue arrow to the desktop.
    pixels = canvas(size, size)
    unit = size // 16
    fill(pixels, 1 * unit, 1 * unit, 9 * unit - 1, 15 * unit - 1, 'k')
    fill(pixels, 1 * unit + 1, 1 * unit + 1, 9 * unit - 2, 15 * unit - 2, 'S')
    fill(pixels, 2 * unit, 2 * unit, 8 * unit - 1, 10 * unit - 1, 'k')
    fill(pixels, 2 * unit + 1, 2 * unit + 1, 8 * unit - 2, 10 * unit - 2, 'c')
    fill(pixels, 3 * unit, 11 * unit, 7 * unit - 1, 13 * unit - 1, 's')
    # Arrow pointing right, out of the device.
    fill(pixels, 6 * unit, 6 * unit, 12 * unit - 1, 8 * unit - 1, 'b')
    for step in range(4 * unit):
        x = 12 * unit + step
        if x >= size:
            break
        fill(pixels, x, 3 * unit + step, x, 11 * unit - 1 - step, 'b')
    return pixels


def write_xpm(path, name, pixels):
    used = sorted({c for row in pixels for c in row})
    lines = ['/* XPM */', 'static const char* %s[] = {' % name,
             '"%d %d %d 1",' % (len(pixels[0]), len(pixels), len(used))]
    lines += ['"%s c %s",' % (c, PALETTE[c]) for c in used]
    lines += ['"%s",' % ''.join(row) for row in pixels]
    lines[-1] = lines[-1].rstrip(',')
    lines.append('};')
    with open(path, 'w') as out:
        out.write('\n'.join(lines) + '\n')


write_xpm('state-strip.xpm', 'state_strip_xpm', state_strip())
write_xpm('padlock.xpm', 'padlock_xpm', padlock())
write_xpm('program-icon-32.xpm', 'program_icon_32_xpm', program_icon(32))
write_xpm('program-icon-16.xpm', 'program_icon_16_xpm', program_icon(16))
