#include "platform/ui/SingleInstance.h"

#include <QByteArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/DataFolderLock.h"
#include "platform/ui/InstanceChannel.h"

namespace ui {
namespace {

constexpr std::chrono::milliseconds kAnswerWait{1000};
constexpr std::chrono::milliseconds kRetryPause{50};
constexpr qsizetype kMaxLine = static_cast<qsizetype>(kMaxChannelRequest);
// The answers to a command: "0" once it is taken; a refusal otherwise.
constexpr char kTaken[] = "0\n";
constexpr char kRefused[] =
    "1\nCorvane DVR runs on this data folder and takes only its Open command here.\n";

QString ChannelName(const std::string& key) {
  return QString::fromStdString(InstanceChannelPath(key));
}

enum class HandOverResult { kTaken, kRefused, kNoAnswer };

// Only a holder that takes the command answers "0"; a recorder without a
// window answers with its refusal.
HandOverResult HandOver(const QString& channel, std::uint32_t command) {
  const ChannelAnswer answer =
      AskOverChannel(channel.toStdString(), std::to_string(command), kAnswerWait, 256);
  if (answer.status != ChannelAnswer::Status::kAnswered) return HandOverResult::kNoAnswer;
  return answer.text == kTaken ? HandOverResult::kTaken : HandOverResult::kRefused;
}

SingleInstance::Outcome OutcomeOf(HandOverResult result) {
  return result == HandOverResult::kTaken ? SingleInstance::Outcome::HandedOver
                                          : SingleInstance::Outcome::Refused;
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
  RequestHandler requestHandler;
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

  std::string AnswerRequest(bool whole, const QByteArray& line) const {
    if (!requestHandler) return kRefused;
    if (!whole) return requestHandler(std::nullopt);
    return requestHandler(
        std::string_view(line.constData(), static_cast<std::size_t>(line.size())));
  }

  void Accept(QLocalSocket* socket) {
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // One command or request a connection, answered before the connection
    // closes.
    auto read = [this, socket] {
      if (!socket->canReadLine() && socket->bytesAvailable() < kMaxLine) return;
      QByteArray line = socket->readLine(kMaxLine);
      QObject::disconnect(socket, &QLocalSocket::readyRead, nullptr, nullptr);
      const bool whole = line.endsWith('\n');
      if (whole) line.chop(1);
      const auto command = whole ? ParseCommand(line) : std::nullopt;
      const std::string answer = command ? std::string(kTaken) : AnswerRequest(whole, line);
      socket->write(answer.data(), static_cast<qint64>(answer.size()));
      socket->disconnectFromServer();
      if (command) Deliver(*command);
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
    const HandOverResult result = HandOver(channel, command);
    if (result != HandOverResult::kNoAnswer) return {OutcomeOf(result), nullptr};
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
    if (!ec) {
      const HandOverResult result = HandOver(ChannelName(canonical.string()), command);
      if (result != HandOverResult::kNoAnswer) return {OutcomeOf(result), nullptr};
    }
    if (std::chrono::steady_clock::now() >= deadline) return {Outcome::Busy, nullptr};
    std::this_thread::sleep_for(kRetryPause);
  }
}

SingleInstance::SingleInstance(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

SingleInstance::~SingleInstance() {
  impl_->server.close();
}

void SingleInstance::SetRequestHandler(RequestHandler handler) {
  impl_->requestHandler = std::move(handler);
}

void SingleInstance::SetCommandHandler(std::function<void(std::uint32_t command)> handler) {
  impl_->handler = std::move(handler);
  std::vector<std::uint32_t> early;
  early.swap(impl_->early);
  for (const std::uint32_t command : early)
    impl_->Deliver(command);
}

}  // namespace ui
