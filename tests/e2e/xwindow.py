#!/usr/bin/env python3
"""Acts on the windows of an X display the way a user would, for the window
end-to-end tests, with or without a window manager (which puts each
top-level window into a frame of its own). Uses libX11 through ctypes, so
it needs no package beyond the X library Qt already pulls in.

    xwindow.py wait TITLE [SECONDS]   waits until a window titled TITLE is
                                      shown; prints its id (exit 1: none)
    xwindow.py gone TITLE [SECONDS]   waits until no such window is shown
    xwindow.py close TITLE            asks it to close (WM_DELETE_WINDOW),
                                      as a window manager's close button does
    xwindow.py keys TITLE KEY...      focuses it and sends it the keys,
                                      e.g. Tab space, Escape, Return
    xwindow.py type TITLE TEXT        focuses it, selects all (Ctrl+A) and types
                                      TEXT (printable ASCII) over it
    xwindow.py shot TITLE FILE.png    saves what the window shows
    xwindow.py managed                exit 0 when a window manager runs

TITLE matches the whole title; a title ending in '*' matches its start.
"""
import ctypes
import ctypes.util
import struct
import sys
import time
import zlib

Window = ctypes.c_ulong
Atom = ctypes.c_ulong


class XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("border_width", ctypes.c_int),
                ("depth", ctypes.c_int), ("visual", ctypes.c_void_p), ("root", Window),
                ("c_class", ctypes.c_int), ("bit_gravity", ctypes.c_int),
                ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
                ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong),
                ("map_installed", ctypes.c_int), ("map_state", ctypes.c_int),
                ("all_event_masks", ctypes.c_long), ("your_event_mask", ctypes.c_long),
                ("do_not_propagate_mask", ctypes.c_long), ("override_redirect", ctypes.c_int),
                ("screen", ctypes.c_void_p)]


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", Window), ("message_type", Atom),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XKeyEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", Window), ("root", Window),
                ("subwindow", Window), ("time", ctypes.c_ulong), ("x", ctypes.c_int),
                ("y", ctypes.c_int), ("x_root", ctypes.c_int), ("y_root", ctypes.c_int),
                ("state", ctypes.c_uint), ("keycode", ctypes.c_uint), ("same_screen", ctypes.c_int)]


class XEvent(ctypes.Union):
    _fields_ = [("client", XClientMessageEvent), ("key", XKeyEvent), ("pad", ctypes.c_long * 24)]


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong)]


IS_VIEWABLE = 2
KEY_PRESS = 2
KEY_RELEASE = 3
KEY_PRESS_MASK = 1
KEY_RELEASE_MASK = 2
CLIENT_MESSAGE = 33
Z_PIXMAP = 2
REVERT_TO_PARENT = 2
ALL_PLANES = 0xFFFFFFFFFFFFFFFF

x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = Window
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XQueryTree.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window), ctypes.POINTER(Window),
                           ctypes.POINTER(ctypes.POINTER(Window)), ctypes.POINTER(ctypes.c_uint)]
x11.XFetchName.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(ctypes.c_char_p)]
x11.XFree.argtypes = [ctypes.c_void_p]
x11.XGetWindowAttributes.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(XWindowAttributes)]
x11.XInternAtom.restype = Atom
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XSendEvent.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_long,
                           ctypes.POINTER(XEvent)]
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
x11.XGetSelectionOwner.restype = Window
x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, Atom]
x11.XSetInputFocus.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_ulong]
x11.XStringToKeysym.restype = ctypes.c_ulong
x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
x11.XKeysymToKeycode.restype = ctypes.c_ubyte
x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XGetImage.restype = ctypes.POINTER(XImage)
x11.XGetImage.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                          ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]


def fail(message):
    print("xwindow.py: " + message, file=sys.stderr)
    sys.exit(1)


def open_display():
    display = x11.XOpenDisplay(None)
    if not display:
        fail("cannot open the display")
    return display


def title_of(display, window):
    name = ctypes.c_char_p()
    if not x11.XFetchName(display, window, ctypes.byref(name)) or not name.value:
        return None
    text = name.value.decode("utf-8", "replace")
    x11.XFree(name)
    return text


def attributes(display, window):
    attrs = XWindowAttributes()
    if not x11.XGetWindowAttributes(display, window, ctypes.byref(attrs)):
        return None
    return attrs


def children(display, window):
    root, parent = Window(), Window()
    kids = ctypes.POINTER(Window)()
    count = ctypes.c_uint()
    if not x11.XQueryTree(display, window, ctypes.byref(root), ctypes.byref(parent),
                          ctypes.byref(kids), ctypes.byref(count)):
        return []
    found = [kids[i] for i in range(count.value)]
    if kids:
        x11.XFree(kids)
    return found


def matches(title, pattern):
    if title is None:
        return False
    if pattern.endswith("*"):
        return title.startswith(pattern[:-1])
    return title == pattern


def top_level_windows(display):
    """The clients' top-level windows, bottommost first: the root's children,
    or, under a window manager, the windows inside its frames."""
    for window in children(display, x11.XDefaultRootWindow(display)):
        if title_of(display, window) is not None:
            yield window
            continue
        for inner in children(display, window):
            yield inner


def shown_windows(display, pattern):
    """The viewable top-level windows titled `pattern`, topmost last."""
    found = []
    for window in top_level_windows(display):
        attrs = attributes(display, window)
        if attrs and attrs.map_state == IS_VIEWABLE and matches(title_of(display, window), pattern):
            found.append(window)
    return found


def wait_for(display, pattern, seconds, present=True):
    deadline = time.monotonic() + seconds
    while True:
        windows = shown_windows(display, pattern)
        if bool(windows) == present:
            return windows
        if time.monotonic() >= deadline:
            return None
        time.sleep(0.01)


def the_window(display, pattern):
    windows = wait_for(display, pattern, 10)
    if not windows:
        fail("no window titled '%s' is shown" % pattern)
    return windows[-1]


def close(display, window):
    event = XEvent()
    event.client.type = CLIENT_MESSAGE
    event.client.window = window
    event.client.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", False)
    event.client.format = 32
    event.client.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", False)
    event.client.data[1] = 0  # CurrentTime
    x11.XSendEvent(display, window, False, 0, ctypes.byref(event))
    x11.XSync(display, False)


def send_key(display, window, kind, keycode, state=0):
    event = XEvent()
    event.key.type = kind
    event.key.window = window
    event.key.root = x11.XDefaultRootWindow(display)
    event.key.keycode = keycode
    event.key.state = state
    event.key.same_screen = 1
    mask = KEY_PRESS_MASK if kind == KEY_PRESS else KEY_RELEASE_MASK
    x11.XSendEvent(display, window, True, mask, ctypes.byref(event))


def type_keys(display, window, keys):
    # The program takes keys where its focus is: give the window the focus first.
    x11.XSetInputFocus(display, window, REVERT_TO_PARENT, 0)
    x11.XSync(display, False)
    time.sleep(0.2)
    for key in keys:
        keycode = x11.XKeysymToKeycode(display, x11.XStringToKeysym(key.encode()))
        if keycode == 0:
            fail("unknown key " + key)
        send_key(display, window, KEY_PRESS, keycode)
        send_key(display, window, KEY_RELEASE, keycode)
        x11.XSync(display, False)
        time.sleep(0.1)


SHIFT_MASK = 1
CONTROL_MASK = 4
SHIFTED = '~!@#$%^&*()_+{}|:"<>?'
UNSHIFTED = "`1234567890-=[]\\;',./"


def type_text(display, window, text):
    """Each character as its key on a US layout, with Shift where needed."""
    x11.XSetInputFocus(display, window, REVERT_TO_PARENT, 0)
    x11.XSync(display, False)
    time.sleep(0.2)
    select_all = x11.XKeysymToKeycode(display, ord("a"))
    send_key(display, window, KEY_PRESS, select_all, CONTROL_MASK)
    send_key(display, window, KEY_RELEASE, select_all, CONTROL_MASK)
    for char in text:
        state = 0
        if char.isupper() or char in SHIFTED:
            state = SHIFT_MASK
            char = char.lower() if char.isalpha() else UNSHIFTED[SHIFTED.index(char)]
        keysym = x11.XStringToKeysym(char.encode()) if char.isalnum() else ord(char)
        keycode = x11.XKeysymToKeycode(display, keysym)
        if keycode == 0:
            fail("cannot type %r" % char)
        send_key(display, window, KEY_PRESS, keycode, state)
        send_key(display, window, KEY_RELEASE, keycode, state)
        x11.XSync(display, False)
        time.sleep(0.01)


def png_bytes(width, height, rows):
    def chunk(kind, payload):
        body = kind + payload
        return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)  # 8-bit RGB
    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def screenshot(display, window, path):
    attrs = attributes(display, window)
    image = x11.XGetImage(display, window, 0, 0, attrs.width, attrs.height, ALL_PLANES, Z_PIXMAP)
    if not image:
        fail("cannot read the window's image")
    img = image.contents
    if img.bits_per_pixel != 32 or img.byte_order != 0:
        fail("unexpected pixel format (%d bits)" % img.bits_per_pixel)
    data = ctypes.string_at(img.data, img.bytes_per_line * img.height)
    rows = []
    for y in range(img.height):
        line = data[y * img.bytes_per_line:y * img.bytes_per_line + img.width * 4]
        rgb = bytearray(img.width * 3)
        rgb[0::3] = line[2::4]  # blue, green, red, unused on a little-endian server
        rgb[1::3] = line[1::4]
        rgb[2::3] = line[0::4]
        rows.append(bytes(rgb))
    width, height = img.width, img.height
    x11.XFree(img.data)
    x11.XFree(image)
    with open(path, "wb") as out:
        out.write(png_bytes(width, height, rows))


def main(args):
    if args == ["managed"]:
        display = open_display()
        sys.exit(0 if x11.XGetSelectionOwner(display, x11.XInternAtom(display, b"WM_S0", False)) else 1)
    if len(args) < 2:
        fail("usage: see the top of this file")
    command, pattern = args[0], args[1]
    display = open_display()
    if command in ("wait", "gone"):
        seconds = float(args[2]) if len(args) > 2 else 30
        windows = wait_for(display, pattern, seconds, present=command == "wait")
        if windows is None:
            fail("timed out waiting for '%s' to be %s" % (pattern, "shown" if command == "wait" else "gone"))
        if windows:
            print(windows[-1])
    elif command == "close":
        close(display, the_window(display, pattern))
    elif command == "keys":
        type_keys(display, the_window(display, pattern), args[2:])
    elif command == "type" and len(args) == 3:
        type_text(display, the_window(display, pattern), args[2])
    elif command == "shot" and len(args) == 3:
        screenshot(display, the_window(display, pattern), args[2])
    else:
        fail("usage: see the top of this file")


if __name__ == "__main__":
    main(sys.argv[1:])
