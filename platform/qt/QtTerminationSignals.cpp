// Termination signals carried into the event loop: the signal handler writes the signal's number
// into a pipe, and a socket notifier on the pipe's other end calls the program's handler.
#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace Platform {
namespace {

constexpr int WatchedSignals[] = {SIGTERM, SIGINT, SIGHUP};

int PipeEnds[2] = {-1, -1};
QSocketNotifier *Notifier = nullptr;
std::function<void(int)> Handler;
bool InsideHandler = false;
// The actions the signals had before the watch, given back when it stops.
struct sigaction PreviousActions[std::size(WatchedSignals)];
bool Watching = false;

// Runs inside the signal: only async-signal-safe calls, errno left as the interrupted code had it.
void WriteSignalToPipe(int signal)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signal);
    // A full pipe already holds requests enough; this one may be dropped.
    [[maybe_unused]] const ssize_t written = ::write(PipeEnds[1], &byte, 1);
    errno = savedErrno;
}

void ReadSignalsFromPipe()
{
    unsigned char numbers[16];
    for (;;) {
        const ssize_t count = ::read(PipeEnds[0], numbers, sizeof numbers);
        if (count <= 0) return;
        for (ssize_t i = 0; i < count; ++i) {
            // The handler may stop the watch, which clears the handler.
            const std::function<void(int)> handler = Handler;
            if (!handler) return;
            InsideHandler = true;
            handler(numbers[i]);
            InsideHandler = false;
        }
    }
}

void ClosePipe()
{
    for (int &end : PipeEnds) {
        if (end >= 0) ::close(end);
        end = -1;
    }
}

} // namespace

bool WatchTerminationSignals(std::function<void(int)> handler)
{
    StopWatchingTerminationSignals();
    const auto fail = [] {
        const int savedErrno = errno;
        StopWatchingTerminationSignals();
        errno = savedErrno;
        return false;
    };
    if (::pipe2(PipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return fail();
    Handler = std::move(handler);
    Notifier = new QSocketNotifier(PipeEnds[0], QSocketNotifier::Read);
    QObject::connect(Notifier, &QSocketNotifier::activated, &ReadSignalsFromPipe);
    for (std::size_t i = 0; i < std::size(WatchedSignals); ++i)
        if (::sigaction(WatchedSignals[i], nullptr, &PreviousActions[i]) != 0) return fail();
    Watching = true;
    struct sigaction action = {};
    action.sa_handler = &WriteSignalToPipe;
    sigemptyset(&action.sa_mask);
    // The system calls that a signal interrupts go on. Programs started later get the default
    // actions back through exec.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(WatchedSignals); ++i) {
        // A signal ignored by whoever started the program (nohup) stays ignored.
        if (PreviousActions[i].sa_handler == SIG_IGN) continue;
        if (::sigaction(WatchedSignals[i], &action, nullptr) != 0) return fail();
    }
    return true;
}

void StopWatchingTerminationSignals()
{
    if (Watching)
        for (std::size_t i = 0; i < std::size(WatchedSignals); ++i)
            ::sigaction(WatchedSignals[i], &PreviousActions[i], nullptr);
    Watching = false;
    if (Notifier) {
        Notifier->setEnabled(false);
        // The notifier may be the sender of the call that stops the watch.
        if (InsideHandler)
            Notifier->deleteLater();
        else
            delete Notifier;
    }
    Notifier = nullptr;
    ClosePipe();
    Handler = nullptr;
}

} // namespace Platform
