#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QFileSystemWatcher;
class QSocketNotifier;

namespace zorvex::app {

// Watches one directory, without its subdirectories, for files that appear,
// go, are renamed, or get new content, size or times, and calls `changed` on
// the GUI thread. A file rewritten in place counts too, which a plain watch
// of the directory entry does not report on Linux.
class DirectoryChangeWatch final : public QObject {
  public:
    explicit DirectoryChangeWatch(std::function<void()> changed);
    ~DirectoryChangeWatch() override;
    DirectoryChangeWatch(const DirectoryChangeWatch&) = delete;
    DirectoryChangeWatch& operator=(const DirectoryChangeWatch&) = delete;

    // False when the directory cannot be watched (for example it does not exist).
    bool Start(const QString& directory);

  private:
    void Drain();

    std::function<void()> changed_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QFileSystemWatcher> watcher_;
};

}  // namespace zorvex::app
