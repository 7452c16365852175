// raskladka-simkbd: a stand-in for the keyboard on a pseudo-terminal, so the
// loader can be tried and tested without hardware.
//
// It prints the terminal's path (the port to open) on one line of standard
// output and answers like the keyboard:
//   - 881 bytes received form an upload. The answer is the CRC-8 it computed
//     over bytes 0..879 (the echo the host compares with byte 880), then the
//     layout address 00 68 00 00. A valid image is kept for later reads.
//   - The two bytes 42 C9, followed by a quiet gap (--gap, 100 ms by default),
//     form a read request; the answer is the 881-byte image held (the last
//     one stored).
// The host writes an upload as one burst, so an upload whose first two bytes
// happen to be 42 C9 goes on within microseconds and never leaves that gap.
// Other bytes that stop short of 881 for the gap are dropped as noise.
//
// It ends on SIGTERM, SIGINT or SIGHUP, when its parent dies, and when its
// standard input is a pipe that reaches end of file, so a test that loses
// track of it never leaves it behind. With --vanish-after it also ends on its
// own a while after the host opened the port, the way an unplugged keyboard
// goes: the terminal disappears and the host's next write fails.

#include "keyboardprotocol.h"
#include "keyimage.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <map>
#include <poll.h>
#include <string>
#include <utility>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

enum class UploadAnswer { Good, None, Short, BadEcho, BadAddress, Extra };
enum class ReadAnswer { Good, None, Short, Corrupt, Extra };

struct Options {
    std::string imageFile;
    std::string saveFile;
    UploadAnswer upload = UploadAnswer::Good;
    ReadAnswer read = ReadAnswer::Good;
    int gapMs = 100;
    int delayMs = 0;
    bool stall = false;      // take no byte from the host: its writes block
    int vanishAfterMs = -1;  // go away this long after the host opened the port
    int keepWrongSlot = -1;  // acknowledge an upload, but store this slot changed
    int restartVanishMs = -1;  // after answering an upload, go away this long and come back
    std::string link;        // a symbolic link to the terminal while it exists
};

const char* const Usage =
    "Usage: raskladka-simkbd [OPTIONS]\n"
    "Opens a pseudo-terminal, prints its path and answers on it like the keyboard.\n"
    "\n"
    "  --version             print the version and exit\n"
    "  --image FILE          image to hold at start (an 881-byte .kmp); default all zero\n"
    "  --save FILE           write every received upload (881 bytes) to FILE\n"
    "  --keep-wrong SLOT     answer uploads correctly, but store them with the first code\n"
    "                        of SLOT (0..79) changed (and a checksum that fits): what a\n"
    "                        read request then returns differs from what was sent\n"
    "  --link PATH           make PATH a symbolic link to the terminal, removed on exit,\n"
    "                        so the port can be named before it exists\n"
    "  --upload-answer MODE  good, none, short (4 bytes), bad-echo, bad-address,\n"
    "                        extra (trailing bytes after the 5)\n"
    "  --read-answer MODE    good, none, short (880 bytes), corrupt (bad checksum),\n"
    "                        extra (900 bytes)\n"
    "  --gap MS              quiet time that ends a read request (default 100)\n"
    "  --delay MS            time before each answer (default 0)\n"
    "  --stall               take no byte: the line stays stopped, the host's writes block\n"
    "  --vanish-after MS     MS after the host opened the port, close it and exit, as if\n"
    "                        unplugged (the host's writes then fail)\n"
    "  --restart-vanish MS   restart like a keyboard whose serial function re-enumerates:\n"
    "                        once the host has closed the port after an upload was\n"
    "                        answered, close the terminal, stay away MS ms, then open a\n"
    "                        new one (behind the same --link) and print its path, keeping\n"
    "                        what was stored; \"never\": stay away and exit\n"
    "\n"
    "Try the editor with it:  RASKLADKA_EXTRA_PORTS=\"PATH=Magnetic Stripe Reader (simulated)\"\n";

constexpr int NeverBack = std::numeric_limits<int>::max();  // --restart-vanish never

volatile sig_atomic_t g_stop = 0;
int g_wakeFd = -1;

void onSignal(int)
{
    g_stop = 1;
    const char c = 0;
    [[maybe_unused]] ssize_t n = write(g_wakeFd, &c, 1);
}

void say(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void say(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::fputs("raskladka-simkbd: ", stderr);
    std::vfprintf(stderr, fmt, ap);
    std::fputc('\n', stderr);
    va_end(ap);
}

bool parseInt(const char* s, int& out)
{
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    if (!*s || *end || v < 0 || v > 600000)
        return false;
    out = int(v);
    return true;
}

bool parseOptions(int argc, char** argv, Options& o)
{
    const std::map<std::string, UploadAnswer> uploads{{"good", UploadAnswer::Good},
                                                      {"none", UploadAnswer::None},
                                                      {"short", UploadAnswer::Short},
                                                      {"bad-echo", UploadAnswer::BadEcho},
                                                      {"bad-address", UploadAnswer::BadAddress},
                                                      {"extra", UploadAnswer::Extra}};
    const std::map<std::string, ReadAnswer> reads{{"good", ReadAnswer::Good},
                                                  {"none", ReadAnswer::None},
                                                  {"short", ReadAnswer::Short},
                                                  {"corrupt", ReadAnswer::Corrupt},
                                                  {"extra", ReadAnswer::Extra}};
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(Usage, stdout);
            std::exit(0);
        }
        if (a == "--version") {
            std::fputs("raskladka-simkbd " RASKLADKA_VERSION "\n", stdout);
            std::exit(0);
        }
        if (a == "--stall") {
            o.stall = true;
            continue;
        }
        // The options are the ones the usage lists.
        if (!std::strstr(Usage, ("  " + a + " ").c_str())) {
            say("unknown option: %s", a.c_str());
            return false;
        }
        if (i + 1 >= argc) {
            say("option %s needs a value", a.c_str());
            return false;
        }
        const char* v = argv[++i];
        if (a == "--image")
            o.imageFile = v;
        else if (a == "--save")
            o.saveFile = v;
        else if (a == "--upload-answer" && uploads.count(v))
            o.upload = uploads.at(v);
        else if (a == "--read-answer" && reads.count(v))
            o.read = reads.at(v);
        else if (a == "--gap" && parseInt(v, o.gapMs))
            continue;
        else if (a == "--delay" && parseInt(v, o.delayMs))
            continue;
        else if (a == "--vanish-after" && parseInt(v, o.vanishAfterMs))
            continue;
        else if (a == "--restart-vanish" && std::strcmp(v, "never") == 0)
            o.restartVanishMs = NeverBack;
        else if (a == "--restart-vanish" && parseInt(v, o.restartVanishMs))
            continue;
        else if (a == "--keep-wrong" && parseInt(v, o.keepWrongSlot) && o.keepWrongSlot < ImageSlots)
            continue;
        else if (a == "--link" && *v)
            o.link = v;
        else {
            say("bad option: %s %s", a.c_str(), v);
            return false;
        }
    }
    return true;
}

bool readFile(const std::string& path, Bytes& out)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    out.assign(ImageSize + 1, 0);
    const size_t n = std::fread(out.data(), 1, out.size(), f);
    std::fclose(f);
    out.resize(n);
    return true;
}

// Written beside the target and renamed, so a reader never sees half a file.
bool writeFileAtomically(const std::string& path, const Bytes& data)
{
    const std::string tmp = path + ".part";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    if (std::fclose(f) != 0 || !ok) {
        std::remove(tmp.c_str());
        return false;
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

class Keyboard
{
public:
    Keyboard(const Options& o, Bytes image) : m_opt(o), m_image(std::move(image)) {}

    // Bytes from the host. Returns what to send back, if anything is due now.
    void receive(const uint8_t* data, size_t n, Clock::time_point now)
    {
        m_pending.insert(m_pending.end(), data, data + n);
        m_lastRx = now;
        while (m_pending.size() >= size_t(ImageSize)) {
            const Bytes upload(m_pending.begin(), m_pending.begin() + ImageSize);
            m_pending.erase(m_pending.begin(), m_pending.begin() + ImageSize);
            onUpload(upload, now);
        }
    }

    // Called when the line has been quiet; decides what a short burst was.
    void idle(Clock::time_point now)
    {
        if (m_pending.empty() || now < gapEnd())
            return;
        if (m_pending.size() == 2 && m_pending[0] == KeyboardProtocol::ReadCommand &&
            m_pending[1] == KeyboardProtocol::ReadCommandCrc)
            onReadRequest(now);
        else
            say("dropped %zu bytes that were neither an upload nor a read request", m_pending.size());
        m_pending.clear();
    }

    // The next moment idle() or an answer needs attention, if any.
    bool nextDeadline(Clock::time_point& t) const
    {
        bool any = false;
        if (!m_pending.empty()) {
            t = gapEnd();
            any = true;
        }
        if (!m_scheduled.empty() && (!any || m_sendAt < t)) {
            t = m_sendAt;
            any = true;
        }
        return any;
    }

    // Whether a valid upload was answered since the last call: the keyboard restarts then.
    // Counts only once the answer has left for the host.
    bool takeAnsweredUpload() { return m_scheduled.empty() && std::exchange(m_answeredUpload, false); }

    // Answers whose delay has passed move to the output queue.
    void release(Clock::time_point now, Bytes& out)
    {
        if (m_scheduled.empty() || now < m_sendAt)
            return;
        out.insert(out.end(), m_scheduled.begin(), m_scheduled.end());
        m_scheduled.clear();
    }

private:
    Clock::time_point gapEnd() const { return m_lastRx + std::chrono::milliseconds(m_opt.gapMs); }

    void answer(const Bytes& bytes, Clock::time_point now)
    {
        m_scheduled.insert(m_scheduled.end(), bytes.begin(), bytes.end());
        m_sendAt = now + std::chrono::milliseconds(m_opt.delayMs);
    }

    void onUpload(const Bytes& upload, Clock::time_point now)
    {
        const uint8_t crc = imageChecksum(upload.data());
        const bool valid = crc == upload[ImageChecksumOffset];
        say("upload of %d bytes, checksum %02X %s", ImageSize, crc, valid ? "valid" : "INVALID");
        if (valid)
            m_image = stored(upload);
        if (!m_opt.saveFile.empty() && !writeFileAtomically(m_opt.saveFile, upload))
            say("cannot write %s: %s", m_opt.saveFile.c_str(), std::strerror(errno));

        Bytes a{crc};
        a.insert(a.end(), std::begin(KeyboardProtocol::LayoutAddress), std::end(KeyboardProtocol::LayoutAddress));
        switch (m_opt.upload) {
        case UploadAnswer::Good: break;
        case UploadAnswer::None: return;
        case UploadAnswer::Short: a.resize(4); break;
        case UploadAnswer::BadEcho: a[0] = uint8_t(crc ^ 0xFF); break;
        case UploadAnswer::BadAddress: a[2] = 0x69; break;
        case UploadAnswer::Extra: a.insert(a.end(), {0xAA, 0x55, 0x01}); break;
        }
        answer(a, now);
        m_answeredUpload = valid;
    }

    // What a valid upload leaves in the keyboard: the image itself, unless it
    // is to keep something else.
    Bytes stored(Bytes image) const
    {
        if (m_opt.keepWrongSlot < 0)
            return image;
        uint8_t& code = image[size_t(m_opt.keepWrongSlot) * 11 + 2];
        code = uint8_t(code ^ 0x01);
        image[ImageChecksumOffset] = imageChecksum(image.data());
        return image;
    }

    void onReadRequest(Clock::time_point now)
    {
        say("read request");
        Bytes a = m_image;
        switch (m_opt.read) {
        case ReadAnswer::Good: break;
        case ReadAnswer::None: return;
        case ReadAnswer::Short: a.resize(ImageSize - 1); break;
        case ReadAnswer::Corrupt: a[5] ^= 0x01; break;
        case ReadAnswer::Extra: a.resize(900, 0x5A); break;
        }
        answer(a, now);
    }

    const Options& m_opt;
    Bytes m_image;
    Bytes m_pending;
    Bytes m_scheduled;
    Clock::time_point m_lastRx{};
    Clock::time_point m_sendAt{};
    bool m_answeredUpload = false;
};

int openTerminal(std::string& slavePath)
{
    const int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0)
        return -1;
    const char* name = ptsname(fd);
    if (!name)
        return -1;
    slavePath = name;
    // Raw from the start: nothing may be echoed or translated before the host
    // opens the port and sets its own mode.
    termios t{};
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    const int slave = open(name, O_RDWR | O_NOCTTY);
    if (slave >= 0) {
        if (tcgetattr(slave, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(slave, TCSANOW, &t);
        }
        close(slave);
    }
    return fd;
}

// A serial port is locked by a file named after its device, and a terminal's
// number is free again as soon as its last user has closed it: a host that has
// just gone (or is about to remove its lock) can still hold "LCK..pts_N" for the
// number we are given. That host would refuse to open us, so such numbers are
// held until a free one turns up, and then let go.
bool lockedByAnother(const std::string& slavePath)
{
    std::string name = slavePath.rfind("/dev/", 0) == 0 ? slavePath.substr(5) : slavePath;
    std::replace(name.begin(), name.end(), '/', '_');
    for (const char* dir : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp",
                            "/var/lock/lockdev", "/run/lock"}) {
        struct stat st{};
        if (stat((std::string(dir) + "/LCK.." + name).c_str(), &st) == 0)
            return true;
    }
    return false;
}

int openMaster(std::string& slavePath)
{
    std::vector<int> held;
    int fd = openTerminal(slavePath);
    while (fd >= 0 && held.size() < 64 && lockedByAnother(slavePath)) {
        held.push_back(fd);
        fd = openTerminal(slavePath);
    }
    for (int h : held)
        close(h);
    return fd;
}

// The link appears once the terminal is ready, before its path is told:
// whoever watches for it sees a keyboard being plugged in. A link left behind
// by a killed run (or by this one before a restart) is replaced.
bool linkTo(const std::string& link, const std::string& slavePath)
{
    if (link.empty())
        return true;
    struct stat old{};
    if (lstat(link.c_str(), &old) == 0 && S_ISLNK(old.st_mode))
        unlink(link.c_str());
    if (symlink(slavePath.c_str(), link.c_str()) != 0) {
        say("cannot link %s: %s", link.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

// Unplugged: the link goes first (unless another run has taken it), then the terminal.
void unplug(const std::string& link, const std::string& slavePath, int master)
{
    char target[4096];
    const ssize_t n = link.empty() ? -1 : readlink(link.c_str(), target, sizeof target - 1);
    if (n > 0 && slavePath == std::string(target, size_t(n)))
        unlink(link.c_str());
    close(master);
}
}  // namespace

int main(int argc, char** argv)
{
    Options opt;
    if (!parseOptions(argc, argv, opt)) {
        std::fputs(Usage, stderr);
        return 2;
    }

    Bytes image(ImageSize, 0);  // all zero: a valid image whose checksum is 0
    if (!opt.imageFile.empty()) {
        if (!readFile(opt.imageFile, image) || image.size() != size_t(ImageSize)) {
            say("%s is not an %d-byte image", opt.imageFile.c_str(), ImageSize);
            return 1;
        }
    }

    int wake[2];
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return 1;
    g_wakeFd = wake[1];
    struct sigaction sa{};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        sigaction(s, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    prctl(PR_SET_PDEATHSIG, SIGTERM);

    std::string slavePath;
    int master = openMaster(slavePath);
    if (master < 0) {
        say("cannot open a pseudo-terminal: %s", std::strerror(errno));
        return 1;
    }
    // A stopped line: the slave side held open with its output suspended, so
    // the host's writes find no room. Opening the port does not restart it.
    const int stalledSlave = opt.stall ? open(slavePath.c_str(), O_RDWR | O_NOCTTY) : -1;
    if (opt.stall && (stalledSlave < 0 || tcflow(stalledSlave, TCOOFF) != 0)) {
        say("cannot stop the line: %s", std::strerror(errno));
        return 1;
    }
    // The host's open shows as an open of the terminal's device node.
    const int opens = opt.vanishAfterMs >= 0 ? inotify_init1(IN_NONBLOCK | IN_CLOEXEC) : -1;
    if (opt.vanishAfterMs >= 0 && (opens < 0 || inotify_add_watch(opens, slavePath.c_str(), IN_OPEN) < 0)) {
        say("cannot watch %s: %s", slavePath.c_str(), std::strerror(errno));
        return 1;
    }
    bool vanishing = false;
    Clock::time_point vanishAt{};

    if (!linkTo(opt.link, slavePath))
        return 1;
    std::printf("%s\n", slavePath.c_str());
    std::fflush(stdout);

    // A parent that talks through a pipe takes the keyboard along when it goes;
    // a terminal, /dev/null or a file says nothing about that and is left alone.
    struct stat in{};
    const bool watchStdin = fstat(STDIN_FILENO, &in) == 0 && (S_ISFIFO(in.st_mode) || S_ISSOCK(in.st_mode));
    Keyboard kbd(opt, image);
    bool restartDue = false;  // an upload was answered: restart once the host lets go
    Bytes out;
    uint8_t buf[4096];
    while (!g_stop) {
        const Clock::time_point now = Clock::now();
        if (vanishing && now >= vanishAt) {
            say("unplugged");
            break;
        }
        kbd.release(now, out);

        int timeoutMs = -1;
        Clock::time_point deadline;
        const bool due = kbd.nextDeadline(deadline);
        if (vanishing && (!due || vanishAt < deadline))
            deadline = vanishAt;
        if (due || vanishing) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
            timeoutMs = int(std::max<long long>(0, left + 1));
        }
        pollfd fds[4] = {{master, short(POLLIN | (out.empty() ? 0 : POLLOUT)), 0},
                         {wake[0], POLLIN, 0},
                         {watchStdin ? STDIN_FILENO : -1, POLLIN, 0},
                         {opens, POLLIN, 0}};
        const int r = poll(fds, 4, timeoutMs);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            say("poll: %s", std::strerror(errno));
            break;
        }
        if (fds[2].revents) {
            const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
            if (n <= 0)
                break;  // the parent has gone or closed our input: stop
        }
        if (fds[3].revents & POLLIN) {
            alignas(inotify_event) char events[4096];
            if (read(opens, events, sizeof events) > 0 && !vanishing) {
                vanishing = true;
                vanishAt = Clock::now() + std::chrono::milliseconds(opt.vanishAfterMs);
            }
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = read(master, buf, sizeof buf);
            if (n > 0)
                kbd.receive(buf, size_t(n), Clock::now());
        } else if (fds[0].revents & POLLHUP) {
            // No one has the port open: the master reports hang-up until
            // someone does. Pending output is meant for the closed session.
            out.clear();
            if (restartDue) {
                restartDue = false;
                if (opt.restartVanishMs == NeverBack) {
                    say("unplugged");
                    break;
                }
                say("restarting");
                unplug(opt.link, slavePath, master);
                pollfd w{wake[0], POLLIN, 0};
                poll(&w, 1, opt.restartVanishMs);
                if (g_stop)
                    return 0;
                master = openMaster(slavePath);
                if (master < 0 || !linkTo(opt.link, slavePath)) {
                    say("cannot come back: %s", std::strerror(errno));
                    return 1;
                }
                std::printf("%s\n", slavePath.c_str());
                std::fflush(stdout);
                say("restarted");
                continue;
            }
            poll(nullptr, 0, 10);
        }
        // The line is judged quiet only when nothing waits to be read: on a
        // busy machine this process may wake long after the host wrote.
        if (!(fds[0].revents & POLLIN))
            kbd.idle(Clock::now());
        if ((fds[0].revents & POLLOUT) && !out.empty()) {
            const ssize_t n = write(master, out.data(), out.size());
            if (n > 0)
                out.erase(out.begin(), out.begin() + n);
        }
        if (opt.restartVanishMs >= 0 && out.empty() && kbd.takeAnsweredUpload())
            restartDue = true;
    }
    unplug(opt.link, slavePath, master);
    if (stalledSlave >= 0)
        close(stalledSlave);
    return 0;
}
