"""What the monkey needs from the X server besides input (xdotool does that): the program's
windows, a round trip through its event loop, pixels, the clipboard and the close request
a window manager would send. libX11 through ctypes, so nothing beyond the standard library.
"""

import ctypes
import ctypes.util
import time
from ctypes import (CFUNCTYPE, POINTER, Structure, Union, byref, c_char_p, c_int, c_long,
                    c_uint, c_ulong, c_void_p, c_ubyte)

Window = c_ulong
Atom = c_ulong


class XClientMessageData(Union):
    _fields_ = [("b", ctypes.c_char * 20), ("s", ctypes.c_short * 10), ("l", c_long * 5)]


class XClientMessageEvent(Structure):
    _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int), ("display", c_void_p),
                ("window", Window), ("message_type", Atom), ("format", c_int),
                ("data", XClientMessageData)]


class XSelectionRequestEvent(Structure):
    _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int), ("display", c_void_p),
                ("owner", Window), ("requestor", Window), ("selection", Atom), ("target", Atom),
                ("property", Atom), ("time", c_ulong)]


class XSelectionEvent(Structure):
    _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int), ("display", c_void_p),
                ("requestor", Window), ("selection", Atom), ("target", Atom), ("property", Atom),
                ("time", c_ulong)]


class XEvent(Union):
    _fields_ = [("type", c_int), ("xclient", XClientMessageEvent),
                ("xselectionrequest", XSelectionRequestEvent), ("xselection", XSelectionEvent),
                ("pad", c_long * 24)]


class XWindowAttributes(Structure):
    _fields_ = [("x", c_int), ("y", c_int), ("width", c_int), ("height", c_int),
                ("border_width", c_int), ("depth", c_int), ("visual", c_void_p), ("root", Window),
                ("c_class", c_int), ("bit_gravity", c_int), ("win_gravity", c_int),
                ("backing_store", c_int), ("backing_planes", c_ulong), ("backing_pixel", c_ulong),
                ("save_under", c_int), ("colormap", c_ulong), ("map_installed", c_int),
                ("map_state", c_int), ("all_event_masks", c_long), ("your_event_mask", c_long),
                ("do_not_propagate_mask", c_long), ("override_redirect", c_int),
                ("screen", c_void_p)]


class XImage(Structure):
    pass


XImage._fields_ = [("width", c_int), ("height", c_int), ("xoffset", c_int), ("format", c_int),
                   ("data", POINTER(c_ubyte)), ("byte_order", c_int), ("bitmap_unit", c_int),
                   ("bitmap_bit_order", c_int), ("bitmap_pad", c_int), ("depth", c_int),
                   ("bytes_per_line", c_int), ("bits_per_pixel", c_int), ("red_mask", c_ulong),
                   ("green_mask", c_ulong), ("blue_mask", c_ulong), ("obdata", c_void_p),
                   ("create_image", c_void_p),
                   ("destroy_image", CFUNCTYPE(c_int, POINTER(XImage))),
                   ("get_pixel", c_void_p), ("put_pixel", c_void_p), ("sub_image", c_void_p),
                   ("add_pixel", c_void_p)]

ClientMessage = 33
SelectionNotify = 31
SelectionRequest = 30
SubstructureNotifyMask = 1 << 19
StructureNotifyMask = 1 << 17
PropertyChangeMask = 1 << 22
IsViewable = 2
ZPixmap = 2
AnyPropertyType = 0
PropModeReplace = 0
XA_ATOM = 4

_ErrorHandler = CFUNCTYPE(c_int, c_void_p, c_void_p)


class Image:
    """A rectangle of the screen; pixel(x, y) in screen coordinates gives (r, g, b)."""

    def __init__(self, left, top, width, height, data, stride):
        self.left, self.top, self.width, self.height = left, top, width, height
        self.data, self.stride = data, stride

    def pixel(self, x, y):
        offset = (y - self.top) * self.stride + (x - self.left) * 4
        blue, green, red = self.data[offset], self.data[offset + 1], self.data[offset + 2]
        return red, green, blue

    def count(self, x, y, width, height, test):
        found = 0
        for row in range(y, y + height):
            for column in range(x, x + width):
                if test(self.pixel(column, row)):
                    found += 1
        return found


class XServer:
    def __init__(self, display_name):
        path = ctypes.util.find_library("X11") or "libX11.so.6"
        self.x = x = ctypes.CDLL(path)
        x.XOpenDisplay.restype = c_void_p
        x.XOpenDisplay.argtypes = [c_char_p]
        x.XDefaultRootWindow.restype = Window
        x.XDefaultRootWindow.argtypes = [c_void_p]
        x.XInternAtom.restype = Atom
        x.XInternAtom.argtypes = [c_void_p, c_char_p, c_int]
        x.XQueryTree.argtypes = [c_void_p, Window, POINTER(Window), POINTER(Window),
                                 POINTER(POINTER(Window)), POINTER(c_uint)]
        x.XGetWindowAttributes.argtypes = [c_void_p, Window, POINTER(XWindowAttributes)]
        x.XGetWindowProperty.argtypes = [c_void_p, Window, Atom, c_long, c_long, c_int, Atom,
                                         POINTER(Atom), POINTER(c_int), POINTER(c_ulong),
                                         POINTER(c_ulong), POINTER(POINTER(c_ubyte))]
        x.XFree.argtypes = [c_void_p]
        x.XSendEvent.argtypes = [c_void_p, Window, c_int, c_long, POINTER(XEvent)]
        x.XSelectInput.argtypes = [c_void_p, Window, c_long]
        x.XPending.argtypes = [c_void_p]
        x.XNextEvent.argtypes = [c_void_p, POINTER(XEvent)]
        x.XFlush.argtypes = [c_void_p]
        x.XSync.argtypes = [c_void_p, c_int]
        x.XGetImage.restype = POINTER(XImage)
        x.XGetImage.argtypes = [c_void_p, Window, c_int, c_int, c_uint, c_uint, c_ulong, c_int]
        x.XCreateSimpleWindow.restype = Window
        x.XCreateSimpleWindow.argtypes = [c_void_p, Window, c_int, c_int, c_uint, c_uint, c_uint,
                                          c_ulong, c_ulong]
        x.XConvertSelection.argtypes = [c_void_p, Atom, Atom, Atom, Window, c_ulong]
        x.XSetSelectionOwner.argtypes = [c_void_p, Atom, Window, c_ulong]
        x.XGetSelectionOwner.restype = Window
        x.XGetSelectionOwner.argtypes = [c_void_p, Atom]
        x.XChangeProperty.argtypes = [c_void_p, Window, Atom, Atom, c_int, c_int, c_void_p, c_int]
        x.XConnectionNumber.argtypes = [c_void_p]
        x.XSetErrorHandler.argtypes = [_ErrorHandler]
        # A window that goes away between two requests is an error reply, not a reason to end.
        self._handler = _ErrorHandler(lambda display, event: 0)
        x.XSetErrorHandler(self._handler)
        self.display = x.XOpenDisplay(display_name.encode())
        if not self.display:
            raise RuntimeError("cannot open display " + display_name)
        self.root = x.XDefaultRootWindow(self.display)
        # Qt answers a ping to the root with the structure-notify mask.
        x.XSelectInput(self.display, self.root, StructureNotifyMask)
        self.own = x.XCreateSimpleWindow(self.display, self.root, 0, 0, 1, 1, 0, 0, 0)
        self._atoms = {}
        self._ping_serial = 1000
        self._pongs = set()
        self._clip_text = None
        self._selection_reply = None
        x.XFlush(self.display)

    def atom(self, name):
        if name not in self._atoms:
            self._atoms[name] = self.x.XInternAtom(self.display, name.encode(), 0)
        return self._atoms[name]

    # --- properties and windows ----------------------------------------------------------

    def _property(self, window, name, kind=AnyPropertyType, length=4096):
        actual, fmt = Atom(), c_int()
        count, after = c_ulong(), c_ulong()
        data = POINTER(c_ubyte)()
        if self.x.XGetWindowProperty(self.display, window, self.atom(name) if isinstance(name, str) else name,
                                     0, length, 0, kind, byref(actual), byref(fmt), byref(count),
                                     byref(after), byref(data)) != 0 or not data:
            return None, None
        try:
            if fmt.value == 8:
                return actual.value, bytes(data[:count.value])
            if fmt.value == 32:
                longs = ctypes.cast(data, POINTER(c_ulong))
                return actual.value, [longs[i] for i in range(count.value)]
            return actual.value, None
        finally:
            self.x.XFree(data)

    def windows(self):
        """The mapped top-level windows: dicts of id, x, y, w, h, name, type, pid, popup."""
        root_return, parent = Window(), Window()
        children = POINTER(Window)()
        count = c_uint()
        if not self.x.XQueryTree(self.display, self.root, byref(root_return), byref(parent),
                                 byref(children), byref(count)):
            return []
        ids = [children[i] for i in range(count.value)]
        if children:
            self.x.XFree(children)
        found = []
        for window in ids:
            attributes = XWindowAttributes()
            if not self.x.XGetWindowAttributes(self.display, window, byref(attributes)):
                continue
            if attributes.map_state != IsViewable or window == self.own:
                continue
            _, name = self._property(window, "_NET_WM_NAME", self.atom("UTF8_STRING"))
            if name is None:
                _, name = self._property(window, "WM_NAME")
            _, types = self._property(window, "_NET_WM_WINDOW_TYPE", XA_ATOM)
            _, pid = self._property(window, "_NET_WM_PID")
            type_names = []
            for value in types or []:
                for known in ("TOOLTIP", "DIALOG", "NORMAL", "POPUP_MENU", "DROPDOWN_MENU", "COMBO",
                              "SPLASH", "UTILITY"):
                    if value == self.atom("_NET_WM_WINDOW_TYPE_" + known):
                        type_names.append(known)
            found.append({"id": window, "x": attributes.x, "y": attributes.y,
                          "w": attributes.width, "h": attributes.height,
                          "name": (name or b"").decode("utf-8", "replace"),
                          "type": type_names, "pid": pid[0] if pid else None,
                          "popup": bool(attributes.override_redirect)})
        return found

    # --- a round trip through the program's event loop -------------------------------------

    def ping(self, window, timeout):
        """Sends _NET_WM_PING to the window and waits for the program's answer (True), or
        gives up after timeout seconds (False). Serves clipboard requests meanwhile."""
        self._ping_serial += 1
        token = self._ping_serial
        event = XEvent()
        event.xclient.type = ClientMessage
        event.xclient.window = window
        event.xclient.message_type = self.atom("WM_PROTOCOLS")
        event.xclient.format = 32
        event.xclient.data.l[0] = self.atom("_NET_WM_PING")
        event.xclient.data.l[1] = token
        event.xclient.data.l[2] = window
        self.x.XSendEvent(self.display, window, 0, 0, byref(event))
        self.x.XFlush(self.display)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.pump()
            if token in self._pongs:
                self._pongs.discard(token)
                return True
            time.sleep(0.005)
        return False

    def pump(self):
        event = XEvent()
        while self.x.XPending(self.display):
            self.x.XNextEvent(self.display, byref(event))
            if event.type == ClientMessage and event.xclient.message_type == self.atom("WM_PROTOCOLS") \
                    and event.xclient.data.l[0] == self.atom("_NET_WM_PING"):
                self._pongs.add(event.xclient.data.l[1])
            elif event.type == SelectionRequest:
                self._serve(event.xselectionrequest)
            elif event.type == SelectionNotify:
                self._selection_reply = (event.xselection.property, event.xselection.target)

    # --- clipboard -------------------------------------------------------------------------

    def own_clipboard(self, text=None):
        """Takes the clipboard: with a text, offered to whoever pastes; without, as a marker
        that tells when someone else copies."""
        self._clip_text = text
        self.x.XSetSelectionOwner(self.display, self.atom("CLIPBOARD"), self.own, 0)
        self.x.XFlush(self.display)

    def clipboard_taken(self):
        return self.x.XGetSelectionOwner(self.display, self.atom("CLIPBOARD")) not in (0, self.own)

    def _serve(self, request):
        reply = XEvent()
        reply.xselection.type = SelectionNotify
        reply.xselection.requestor = request.requestor
        reply.xselection.selection = request.selection
        reply.xselection.target = request.target
        reply.xselection.time = request.time
        reply.xselection.property = request.property or request.target
        texts = [self.atom("UTF8_STRING"), self.atom("text/plain;charset=utf-8"),
                 self.atom("STRING"), self.atom("TEXT")]
        if self._clip_text is None:
            reply.xselection.property = 0
        elif request.target == self.atom("TARGETS"):
            atoms = (c_ulong * 5)(self.atom("TARGETS"), *texts)
            self.x.XChangeProperty(self.display, request.requestor, reply.xselection.property, XA_ATOM,
                                   32, PropModeReplace, atoms, 5)
        elif request.target in texts:
            data = self._clip_text.encode("utf-8")
            kind = self.atom("UTF8_STRING") if request.target != self.atom("text/plain;charset=utf-8") \
                else request.target
            self.x.XChangeProperty(self.display, request.requestor, reply.xselection.property, kind, 8,
                                   PropModeReplace, data, len(data))
        else:
            reply.xselection.property = 0
        self.x.XSendEvent(self.display, request.requestor, 0, 0, byref(reply))
        self.x.XFlush(self.display)

    def read_clipboard(self, timeout=3.0):
        """The clipboard's text as the owner gives it (UTF-8), or None."""
        owner = self.x.XGetSelectionOwner(self.display, self.atom("CLIPBOARD"))
        if owner == 0:
            return None
        if owner == self.own:
            return self._clip_text
        prop = self.atom("TERVANA_MONKEY_CLIP")
        self._selection_reply = None
        self.x.XConvertSelection(self.display, self.atom("CLIPBOARD"), self.atom("UTF8_STRING"), prop,
                                 self.own, 0)
        self.x.XFlush(self.display)
        deadline = time.monotonic() + timeout
        while self._selection_reply is None and time.monotonic() < deadline:
            self.pump()
            time.sleep(0.005)
        if self._selection_reply is None or self._selection_reply[0] == 0:
            return None
        _, data = self._property(self.own, prop, AnyPropertyType, 1 << 20)
        return None if data is None else data.decode("utf-8", "replace")

    def focus(self):
        """The window that has the keyboard focus (0 for none, 1 for the pointer's)."""
        window, revert = Window(), c_int()
        self.x.XGetInputFocus.argtypes = [c_void_p, POINTER(Window), POINTER(c_int)]
        self.x.XGetInputFocus(self.display, byref(window), byref(revert))
        return window.value

    # --- the keyboard map --------------------------------------------------------------------

    def map_characters(self, characters):
        """Gives each character a key of its own. xdotool types a character that no key
        carries by mapping a spare key for the moment and mapping it back at once, and a
        program that reads the key after that sees nothing or the next character; with every
        character on a key of its own nothing is remapped while the program runs. The keys
        taken are those of keysyms nobody types here (multimedia and the like)."""
        x = self.x
        x.XDisplayKeycodes.argtypes = [c_void_p, POINTER(c_int), POINTER(c_int)]
        x.XGetKeyboardMapping.restype = POINTER(c_ulong)
        x.XGetKeyboardMapping.argtypes = [c_void_p, c_ubyte, c_int, POINTER(c_int)]
        x.XChangeKeyboardMapping.argtypes = [c_void_p, c_int, c_int, POINTER(c_ulong), c_int]
        low, high = c_int(), c_int()
        x.XDisplayKeycodes(self.display, byref(low), byref(high))
        per = c_int()
        mapping = x.XGetKeyboardMapping(self.display, low.value, high.value - low.value + 1, byref(per))
        spare = []
        for keycode in range(low.value, high.value + 1):
            syms = [mapping[(keycode - low.value) * per.value + i] for i in range(per.value)]
            # Keep the printable ASCII keys and the editing, cursor and modifier keys.
            if any(0x20 <= s <= 0x7E or 0xFE00 <= s <= 0xFFFF for s in syms):
                continue
            spare.append(keycode)
        x.XFree(mapping)
        wanted = sorted(set(c for c in characters if ord(c) > 0x7E))
        if len(wanted) > len(spare):
            raise RuntimeError("%d characters for %d spare keys" % (len(wanted), len(spare)))
        for keycode, character in zip(spare, wanted):
            syms = (c_ulong * per.value)(*([0x01000000 + ord(character)] * 2 + [0] * (per.value - 2)))
            x.XChangeKeyboardMapping(self.display, keycode, per.value, syms, 1)
        x.XSync(self.display, 0)
        return len(wanted)

    # --- pixels and closing ----------------------------------------------------------------

    def grab(self, left, top, width, height):
        image = self.x.XGetImage(self.display, self.root, left, top, width, height, 0xFFFFFFFF, ZPixmap)
        if not image:
            return None
        try:
            item = image.contents
            stride = item.bytes_per_line
            data = ctypes.string_at(item.data, stride * height)
            return Image(left, top, width, height, data, stride)
        finally:
            image.contents.destroy_image(image)

    def close_window(self, window):
        """WM_DELETE_WINDOW, as a window manager's close button sends it."""
        event = XEvent()
        event.xclient.type = ClientMessage
        event.xclient.window = window
        event.xclient.message_type = self.atom("WM_PROTOCOLS")
        event.xclient.format = 32
        event.xclient.data.l[0] = self.atom("WM_DELETE_WINDOW")
        event.xclient.data.l[1] = 0
        self.x.XSendEvent(self.display, window, 0, 0, byref(event))
        self.x.XFlush(self.display)
