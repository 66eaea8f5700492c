#include "app/directory_change_watch.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QSocketNotifier>

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace zorvex::app {

DirectoryChangeWatch::DirectoryChangeWatch(std::function<void()> changed)
    : changed_(std::move(changed)) {}

DirectoryChangeWatch::~DirectoryChangeWatch() {
    notifier_.reset();
#ifdef __linux__
    if (fd_ >= 0) ::close(fd_);
#endif
}

bool DirectoryChangeWatch::Start(const QString& directory) {
    if (!QDir(directory).exists()) return false;
#ifdef __linux__
    // QFileSystemWatcher's directory watch leaves out writes into the files,
    // so a ROM copied over an existing one would go unnoticed.
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0) {
        constexpr uint32_t kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY |
                                   IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF |
                                   IN_ONLYDIR;
        if (inotify_add_watch(fd_, QFile::encodeName(directory).constData(), kMask) >= 0) {
            notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
            connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
                Drain();
                changed_();
            });
            return true;
        }
        ::close(fd_);
        fd_ = -1;
    }
#endif
    watcher_ = std::make_unique<QFileSystemWatcher>();
    if (!watcher_->addPath(directory)) return false;
    connect(watcher_.get(), &QFileSystemWatcher::directoryChanged, this, [this] { changed_(); });
    return true;
}

void DirectoryChangeWatch::Drain() {
#ifdef __linux__
    // Only "something changed" matters; the events themselves are dropped.
    alignas(inotify_event) char buffer[4096];
    while (::read(fd_, buffer, sizeof buffer) > 0) {
    }
#endif
}

}  // namespace zorvex::app
