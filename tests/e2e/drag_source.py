"""A real drag source for the end-to-end scripts: drag_source.py <x> <y> <file>...
shows a small window at (x, y) that offers the files as text/uri-list when a
button-1 drag starts on it, and ends when the drag ends."""
import sys
from pathlib import Path

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, Gtk  # noqa: E402

x, y, *paths = sys.argv[1:]
uris = [Path(path).resolve().as_uri() for path in paths]
window = Gtk.Window(title="drag source")
window.set_default_size(100, 80)
window.move(int(x), int(y))
area = Gtk.EventBox()
area.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [], Gdk.DragAction.COPY)
area.drag_source_add_uri_targets()
area.connect("drag-data-get", lambda _w, _c, data, _i, _t: data.set_uris(uris))
area.connect("drag-end", lambda *_: Gtk.main_quit())
window.add(area)
window.connect("destroy", Gtk.main_quit)
window.show_all()
Gtk.main()
