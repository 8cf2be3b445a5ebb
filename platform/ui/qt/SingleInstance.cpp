#include "platform/ui/SingleInstance.h"

#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/DataFolderLock.h"

namespace ui {
namespace {

constexpr int kSocketWaitMs = 1000;
constexpr std::chrono::milliseconds kRetryPause{50};
// "40151\n": a command number is at most ten digits.
constexpr qsizetype kMaxLine = 12;

// A socket of this user named after the key (the canonical data folder, or
// the title without one).
QString ChannelName(const std::string& key) {
  std::uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a
  for (const unsigned char c : key)
    hash = (hash ^ c) * 0x100000001b3ull;
  char name[64];
  std::snprintf(name, sizeof name, "corvane-dvr-%u-%016llx", static_cast<unsigned>(::getuid()),
                static_cast<unsigned long long>(hash));
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const QString folder =
      runtime && runtime[0] == '/' ? QString::fromLocal8Bit(runtime) : QDir::tempPath();
  return folder + "/" + name;
}

bool HandOver(const QString& channel, std::uint32_t command) {
  QLocalSocket socket;
  socket.connectToServer(channel);
  if (!socket.waitForConnected(kSocketWaitMs)) return false;
  socket.write(QByteArray::number(command) + '\n');
  const bool sent = socket.waitForBytesWritten(kSocketWaitMs);
  socket.disconnectFromServer();
  return sent;
}

std::optional<std::uint32_t> ParseCommand(const QByteArray& line) {
  bool ok = false;
  const std::uint32_t command = line.trimmed().toUInt(&ok);
  return ok ? std::optional(command) : std::nullopt;
}

}  // namespace

struct SingleInstance::Impl {
  std::optional<DataFolderLock> lock;
  QLocalServer server;
  std::function<void(std::uint32_t)> handler;
  std::vector<std::uint32_t> early;

  void Deliver(std::uint32_t command) {
    if (handler) {
      handler(command);
    } else {
      early.push_back(command);
    }
  }

  void Listen(const QString& channel) {
    // Only the lock holder listens: a socket file left by a copy that died
    // is stale.
    QLocalServer::removeServer(channel);
    server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server.listen(channel)) {
      std::printf("Single-instance channel %s not opened: %s\n", channel.toLocal8Bit().constData(),
                  server.errorString().toLocal8Bit().constData());
      return;
    }
    QObject::connect(&server, &QLocalServer::newConnection, &server, [this] {
      while (QLocalSocket* socket = server.nextPendingConnection())
        Accept(socket);
    });
  }

  void Accept(QLocalSocket* socket) {
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto read = [this, socket] {
      while (socket->canReadLine()) {
        if (const auto command = ParseCommand(socket->readLine(kMaxLine + 1))) Deliver(*command);
      }
      if (socket->bytesAvailable() > kMaxLine) socket->abort();
    };
    QObject::connect(socket, &QLocalSocket::readyRead, socket, read);
    read();
  }
};

SingleInstance::Claim SingleInstance::Start(std::string_view title,
                                            const std::filesystem::path& dataFolder,
                                            std::uint32_t command,
                                            std::chrono::milliseconds patience) {
  auto first = [](std::optional<DataFolderLock> lock, const QString& channel) {
    auto impl = std::make_unique<Impl>();
    impl->lock = std::move(lock);
    impl->Listen(channel);
    return Claim{Outcome::First,
                 std::unique_ptr<SingleInstance>(new SingleInstance(std::move(impl)))};
  };
  if (dataFolder.empty()) {
    const QString channel = ChannelName("title:" + std::string(title));
    if (HandOver(channel, command)) return {Outcome::HandedOver, nullptr};
    return first(std::nullopt, channel);
  }
  const auto deadline = std::chrono::steady_clock::now() + patience;
  for (;;) {
    if (auto lock = DataFolderLock::Take(dataFolder)) {
      const QString channel = ChannelName(lock->Folder().string());
      return first(std::move(lock), channel);
    }
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::canonical(dataFolder, ec);
    if (!ec && HandOver(ChannelName(canonical.string()), command)) {
      return {Outcome::HandedOver, nullptr};
    }
    if (std::chrono::steady_clock::now() >= deadline) return {Outcome::Busy, nullptr};
    std::this_thread::sleep_for(kRetryPause);
  }
}

SingleInstance::SingleInstance(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

SingleInstance::~SingleInstance() {
  impl_->server.close();
}

void SingleInstance::SetCommandHandler(std::function<void(std::uint32_t command)> handler) {
  impl_->handler = std::move(handler);
  std::vector<std::uint32_t> early;
  early.swap(impl_->early);
  for (const std::uint32_t command : early)
    impl_->Deliver(command);
}

}  // namespace ui
