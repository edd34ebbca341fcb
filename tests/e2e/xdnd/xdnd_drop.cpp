// xdnd-drop: drops files onto the X window under a root point with a real XDND exchange, as a
// file manager would. Exit status: 0 dropped and finished, 1 usage, 2 no display or no drop
// target there, 3 the target refused the drop, 4 timed out.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <sys/select.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr long kVersion = 5;

struct Atoms {
    Atom aware, selection, enter, position, status, leave, drop, finished, action_copy, uri_list,
        targets, text_plain;
    explicit Atoms(Display* d) {
        aware = XInternAtom(d, "XdndAware", False);
        selection = XInternAtom(d, "XdndSelection", False);
        enter = XInternAtom(d, "XdndEnter", False);
        position = XInternAtom(d, "XdndPosition", False);
        status = XInternAtom(d, "XdndStatus", False);
        leave = XInternAtom(d, "XdndLeave", False);
        drop = XInternAtom(d, "XdndDrop", False);
        finished = XInternAtom(d, "XdndFinished", False);
        action_copy = XInternAtom(d, "XdndActionCopy", False);
        uri_list = XInternAtom(d, "text/uri-list", False);
        targets = XInternAtom(d, "TARGETS", False);
        text_plain = XInternAtom(d, "text/plain", False);
    }
};

[[noreturn]] void die(int code, const std::string& message) {
    std::fprintf(stderr, "xdnd-drop: %s\n", message.c_str());
    std::exit(code);
}

std::string percent_encode(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                     c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/')
        return path;
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd))
        die(1, "cannot read the current directory");
    return std::string(cwd) + "/" + path;
}

// XDND version the window announces, or 0 when it is not a drop target.
long aware_version(Display* d, const Atoms& a, Window w) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    long version = 0;
    if (XGetWindowProperty(d, w, a.aware, 0, 1, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success &&
        data && count == 1 && format == 32)
        version = *reinterpret_cast<long*>(data);
    if (data)
        XFree(data);
    return version;
}

// The outermost XdndAware window on the path from the root down to the point.
Window target_at(Display* d, const Atoms& a, int x, int y, long& version) {
    Window root = DefaultRootWindow(d);
    Window w = root;
    for (;;) {
        int cx, cy;
        Window child = None;
        if (!XTranslateCoordinates(d, root, w, x, y, &cx, &cy, &child))
            return None;
        if (child == None)
            return None;
        w = child;
        version = aware_version(d, a, w);
        if (version > 0)
            return w;
    }
}

void send_client(Display* d, Window to, Atom type, long l0, long l1, long l2, long l3, long l4) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.display = d;
    e.xclient.window = to;
    e.xclient.message_type = type;
    e.xclient.format = 32;
    e.xclient.data.l[0] = l0;
    e.xclient.data.l[1] = l1;
    e.xclient.data.l[2] = l2;
    e.xclient.data.l[3] = l3;
    e.xclient.data.l[4] = l4;
    XSendEvent(d, to, False, NoEventMask, &e);
    XFlush(d);
}

void answer_request(Display* d, const Atoms& a, const XSelectionRequestEvent& r,
                    const std::string& uris) {
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = d;
    reply.xselection.requestor = r.requestor;
    reply.xselection.selection = r.selection;
    reply.xselection.target = r.target;
    reply.xselection.time = r.time;
    Atom property = r.property != None ? r.property : r.target;
    reply.xselection.property = None;
    if (r.selection == a.selection) {
        if (r.target == a.targets) {
            Atom list[] = {a.targets, a.uri_list};
            XChangeProperty(d, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(list), 2);
            reply.xselection.property = property;
        } else if (r.target == a.uri_list) {
            XChangeProperty(d, r.requestor, property, a.uri_list, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(uris.data()),
                            static_cast<int>(uris.size()));
            reply.xselection.property = property;
        }
    }
    XSendEvent(d, r.requestor, False, NoEventMask, &reply);
    XFlush(d);
}

// Next event, or false once the deadline has passed.
bool next_event(Display* d, XEvent& e, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        if (XPending(d)) {
            XNextEvent(d, &e);
            return true;
        }
        auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero())
            return false;
        auto us = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
        int fd = ConnectionNumber(d);
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        timeval tv{static_cast<time_t>(us / 1000000), static_cast<suseconds_t>(us % 1000000)};
        select(fd + 1, &set, nullptr, nullptr, &tv);
    }
}

Time server_time(Display* d, Window w) {
    Atom stamp = XInternAtom(d, "_XDND_DROP_TIMESTAMP", False);
    XChangeProperty(d, w, stamp, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent e;
    for (;;) {
        XWindowEvent(d, w, PropertyChangeMask, &e);
        if (e.type == PropertyNotify && e.xproperty.atom == stamp)
            return e.xproperty.time;
    }
}

void usage() {
    die(1, "usage: xdnd-drop [-t SECONDS] X Y FILE...");
}

} // namespace

int main(int argc, char** argv) {
    double timeout = 10;
    int i = 1;
    if (i + 1 < argc && std::strcmp(argv[i], "-t") == 0) {
        timeout = std::atof(argv[i + 1]);
        i += 2;
    }
    if (argc - i < 3)
        usage();
    char* end = nullptr;
    long x = std::strtol(argv[i], &end, 10);
    if (*end)
        usage();
    long y = std::strtol(argv[i + 1], &end, 10);
    if (*end)
        usage();
    std::string uris;
    for (int k = i + 2; k < argc; ++k)
        uris += "file://" + percent_encode(absolute(argv[k])) + "\r\n";

    Display* d = XOpenDisplay(nullptr);
    if (!d)
        die(2, std::string("cannot open display ") +
                   (std::getenv("DISPLAY") ? std::getenv("DISPLAY") : ""));
    Atoms a(d);
    long version = 0;
    Window target = target_at(d, a, static_cast<int>(x), static_cast<int>(y), version);
    if (target == None)
        die(2, "no drop-aware window at that point");
    if (version > kVersion)
        version = kVersion;

    Window source = XCreateSimpleWindow(d, DefaultRootWindow(d), -10, -10, 1, 1, 0, 0, 0);
    XSelectInput(d, source, PropertyChangeMask);
    Time now = server_time(d, source);
    XSetSelectionOwner(d, a.selection, source, now);
    if (XGetSelectionOwner(d, a.selection) != source)
        die(2, "cannot own XdndSelection");

    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::milliseconds(static_cast<long>(timeout * 1000));
    const long point = (x << 16) | (y & 0xFFFF);
    send_client(d, target, a.enter, static_cast<long>(source), version << 24,
                static_cast<long>(a.uri_list), None, None);
    send_client(d, target, a.position, static_cast<long>(source), 0, point, static_cast<long>(now),
                static_cast<long>(a.action_copy));

    enum { Positioning, Dropped } phase = Positioning;
    int refusals = 0;
    XEvent e;
    while (next_event(d, e, deadline)) {
        if (e.type == SelectionRequest) {
            answer_request(d, a, e.xselectionrequest, uris);
            continue;
        }
        if (e.type != ClientMessage || static_cast<Window>(e.xclient.data.l[0]) != target)
            continue;
        if (phase == Positioning && e.xclient.message_type == a.status) {
            if (e.xclient.data.l[1] & 1) {
                send_client(d, target, a.drop, static_cast<long>(source), 0, static_cast<long>(now),
                            0, 0);
                phase = Dropped;
            } else if (++refusals < 20) {
                // A target may refuse until it has read the offered data: ask again.
                usleep(50 * 1000);
                send_client(d, target, a.position, static_cast<long>(source), 0, point,
                            static_cast<long>(now), static_cast<long>(a.action_copy));
            } else {
                send_client(d, target, a.leave, static_cast<long>(source), 0, 0, 0, 0);
                die(3, "the target refused the drop");
            }
        } else if (phase == Dropped && e.xclient.message_type == a.finished) {
            if (version >= 5 && !(e.xclient.data.l[1] & 1))
                die(3, "the target did not accept the dropped data");
            XCloseDisplay(d);
            return 0;
        }
    }
    if (phase == Positioning)
        send_client(d, target, a.leave, static_cast<long>(source), 0, 0, 0, 0);
    die(4, phase == Positioning ? "no XdndStatus before the timeout"
                                : "no XdndFinished before the timeout");
}
