// SPDX-License-Identifier: MIT
// A drag-and-drop source for the end-to-end cases: drops a list onto an X window, as a file manager does.
//
//   mira_xdnd_drop <window> <x> <y> <type> <item>...
//
// Speaks the XDND protocol (version 5) with the window: enter with one type ("text/uri-list" or
// "text/plain"), a position at screen point (x, y), and the drop once the window has answered; then
// hands over the items, joined with CR LF, when the window asks for them, and waits for it to say it
// has finished. Exit status 0 when the window accepted and finished the drop, 1 when it refused it
// (or is not drop-aware), 2 on a usage error, 3 when it did not answer within 10 seconds.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

constexpr long kVersion = 5;

struct TDrop {
  Display* Dpy = nullptr;
  Window Source = 0;
  Window Target = 0;
  Atom Type = 0;
  std::string Data;
};

Atom AtomOf(Display* dpy, const char* name) { return XInternAtom(dpy, name, False); }

void Send(const TDrop& drop, const char* message, long l1, long l2, long l3, long l4) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.display = drop.Dpy;
  event.xclient.window = drop.Target;
  event.xclient.message_type = AtomOf(drop.Dpy, message);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(drop.Source);
  event.xclient.data.l[1] = l1;
  event.xclient.data.l[2] = l2;
  event.xclient.data.l[3] = l3;
  event.xclient.data.l[4] = l4;
  XSendEvent(drop.Dpy, drop.Target, False, NoEventMask, &event);
  XFlush(drop.Dpy);
}

// Answers a request for the dropped data with the items.
void Serve(const TDrop& drop, const XSelectionRequestEvent& request) {
  XEvent reply{};
  reply.xselection.type = SelectionNotify;
  reply.xselection.display = drop.Dpy;
  reply.xselection.requestor = request.requestor;
  reply.xselection.selection = request.selection;
  reply.xselection.target = request.target;
  reply.xselection.time = request.time;
  reply.xselection.property = None;
  if (request.target == drop.Type && request.property != None) {
    XChangeProperty(drop.Dpy, request.requestor, request.property, drop.Type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(drop.Data.data()), static_cast<int>(drop.Data.size()));
    reply.xselection.property = request.property;
  }
  XSendEvent(drop.Dpy, request.requestor, False, NoEventMask, &reply);
  XFlush(drop.Dpy);
}

bool DropAware(const TDrop& drop) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const bool found = XGetWindowProperty(drop.Dpy, drop.Target, AtomOf(drop.Dpy, "XdndAware"), 0, 1, False, XA_ATOM,
                                        &type, &format, &count, &after, &data) == Success &&
                     data && count == 1;
  if (data) XFree(data);
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: %s <window> <x> <y> <type> <item>...\n", argv[0]);
    return 2;
  }
  TDrop drop;
  for (int tries = 0; !(drop.Dpy = XOpenDisplay(nullptr)) && tries < 20; ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (!drop.Dpy) {
    std::fprintf(stderr, "xdnd-drop: cannot open display\n");
    return 2;
  }
  drop.Target = static_cast<Window>(std::strtoul(argv[1], nullptr, 0));
  const long x = std::strtol(argv[2], nullptr, 10), y = std::strtol(argv[3], nullptr, 10);
  drop.Type = AtomOf(drop.Dpy, argv[4]);
  for (int i = 5; i < argc; ++i) drop.Data += std::string(argv[i]) + "\r\n";
  if (!DropAware(drop)) {
    std::fprintf(stderr, "xdnd-drop: window %s does not take drops (no XdndAware)\n", argv[1]);
    return 1;
  }
  drop.Source = XCreateSimpleWindow(drop.Dpy, DefaultRootWindow(drop.Dpy), 0, 0, 1, 1, 0, 0, 0);
  const Atom selection = AtomOf(drop.Dpy, "XdndSelection");
  XSetSelectionOwner(drop.Dpy, selection, drop.Source, CurrentTime);

  Send(drop, "XdndEnter", kVersion << 24, static_cast<long>(drop.Type), 0, 0);
  Send(drop, "XdndPosition", 0, (x << 16) | (y & 0xFFFF), CurrentTime,
       static_cast<long>(AtomOf(drop.Dpy, "XdndActionCopy")));

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  bool dropped = false;
  while (std::chrono::steady_clock::now() < deadline) {
    if (!XPending(drop.Dpy)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    XEvent event;
    XNextEvent(drop.Dpy, &event);
    if (event.type == SelectionRequest) {
      Serve(drop, event.xselectionrequest);
    } else if (event.type == ClientMessage && event.xclient.message_type == AtomOf(drop.Dpy, "XdndStatus")) {
      if (!(event.xclient.data.l[1] & 1)) {
        Send(drop, "XdndLeave", 0, 0, 0, 0);
        std::fprintf(stderr, "xdnd-drop: the window refused %s\n", argv[4]);
        return 1;
      }
      if (!dropped) Send(drop, "XdndDrop", 0, CurrentTime, 0, 0);
      dropped = true;
    } else if (event.type == ClientMessage && event.xclient.message_type == AtomOf(drop.Dpy, "XdndFinished")) {
      XCloseDisplay(drop.Dpy);
      return 0;
    }
  }
  std::fprintf(stderr, "xdnd-drop: no answer from window %s\n", argv[1]);
  return 3;
}
