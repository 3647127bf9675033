#include "tests/emulator/ServiceEmulator.h"

#include "platform/net/Compression.h"
#include "tests/emulator/EmulatorJson.h"
#include "tests/emulator/ServerConnection.h"
#include "tests/emulator/TestCertificate.h"

#include <QtCore/QFile>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>

#include <httplib.h>

#include <algorithm>
#include <csignal>
#include <limits>

namespace zvemu {

namespace {

// Held polls and delays each keep a thread; a few tests hold several at once.
constexpr std::size_t kWorkerThreads = 16;
// The server library counts it in whole seconds; 0 would close a new connection before its first
// request could arrive.
constexpr time_t kKeepAliveSeconds = 1;
const QString kApiPrefix = QStringLiteral("/api/");
const QByteArray kHtmlErrorPage = QByteArrayLiteral(
    "<html><head><title>502 Bad Gateway</title></head>"
    "<body><h1>Bad Gateway</h1></body></html>");

// Headers that the server library adds to the request it hands over.
bool isLibraryHeader(const std::string& name) {
    static const char* const names[] = {"REMOTE_ADDR", "REMOTE_PORT", "LOCAL_ADDR", "LOCAL_PORT"};
    return std::any_of(std::begin(names), std::end(names),
                       [&name](const char* added) { return name == added; });
}

QByteArray mediaType(const QByteArray& contentType) {
    return contentType.split(';').value(0).trimmed().toLower();
}

QStringList envelopeProblems(const RecordedRequest& request) {
    QStringList problems;
    if (request.httpMethod != u"POST") {
        problems << QStringLiteral("method %1 instead of POST").arg(request.httpMethod);
    }
    const QByteArray contentType = request.header("Content-Type");
    if (mediaType(contentType) != "application/json") {
        problems << QStringLiteral("Content-Type is \"%1\"").arg(QString::fromLatin1(contentType));
    }
    static const QRegularExpression userAgentPattern(QStringLiteral(R"(^[^/\s]+/\S* \(.+\)$)"));
    const QString userAgent = QString::fromUtf8(request.header("User-Agent"));
    if (!userAgentPattern.match(userAgent).hasMatch()) {
        problems
            << QStringLiteral("User-Agent \"%1\" is not \"name/version (system)\"").arg(userAgent);
    }
    if (!request.header("Accept-Encoding").toLower().contains("gzip")) {
        problems << QStringLiteral("gzip is not accepted");
    }
    const QString token = request.cookie(u"token_id");
    if (!token.isNull() && token.size() != 36) {
        problems << QStringLiteral("the token_id cookie is not 36 characters long");
    }
    if (!request.bodyIsObject) {
        problems << QStringLiteral("the body is not a JSON object");
        return problems;
    }
    // The markup syntax is asked for in the older protocol version.
    const double expectedVersion = request.path == u"markup/get_syntax" ? 2.0 : 3.0;
    const QJsonValue version = request.body.value(QStringLiteral("api_version"));
    if (!version.isDouble() || version.toDouble() != expectedVersion) {
        problems << QStringLiteral("api_version is not the number %1").arg(expectedVersion);
    }
    if (request.body.contains(QStringLiteral("client_req_id"))) {
        const QJsonValue id = request.body.value(QStringLiteral("client_req_id"));
        if (!id.isString() || !isLowerCaseUuid(id.toString())) {
            problems << QStringLiteral("client_req_id is not a lower-case UUID");
        }
    }
    if (request.body.contains(QStringLiteral("ticket")) &&
        !request.body.value(QStringLiteral("ticket")).isString()) {
        problems << QStringLiteral("ticket is not a string");
    }
    return problems;
}

}  // namespace

ServiceEmulator::ServiceEmulator() : ServiceEmulator(Options{}) {}

ServiceEmulator::ServiceEmulator(Options options) : options_(options) {
    installStandardRoutes();
    installSessionActionRoutes();
}

ServiceEmulator::~ServiceEmulator() {
    stop();
}

bool ServiceEmulator::start() {
    if (isRunning()) {
        return true;
    }
    if (options_.tls) {
        certificateDir_ = std::make_unique<QTemporaryDir>();
        const QString certificate = certificateDir_->filePath(QStringLiteral("cert.pem"));
        const QString key = certificateDir_->filePath(QStringLiteral("key.pem"));
        for (const auto& [path, pem] :
             {std::pair{certificate, testCertificatePem()}, std::pair{key, testPrivateKeyPem()}}) {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(pem) < 0) {
                return false;
            }
        }
        server_ = std::make_unique<httplib::SSLServer>(certificate.toStdString().c_str(),
                                                       key.toStdString().c_str());
    } else {
        server_ = std::make_unique<httplib::Server>();
    }
    if (!server_->is_valid()) {
        server_.reset();
        return false;
    }
    server_->new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    // One request per connection, unless a test asks for more: the client never reuses a
    // connection that the emulator is about to close.
    server_->set_keep_alive_max_count(options_.requestsPerConnection);
    // A connection that the client opened but sends nothing on holds stop() this long.
    server_->set_keep_alive_timeout(kKeepAliveSeconds);
    // Writing to a connection that the client (or a fault) closed must fail, not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    auto dispatch = [this](const httplib::Request& request, httplib::Response& response) {
        handle(request, response);
    };
    server_->Post(".*", dispatch);
    server_->Get(".*", dispatch);
    server_->Put(".*", dispatch);
    server_->Delete(".*", dispatch);
    server_->set_exception_handler([](const httplib::Request&, httplib::Response& response,
                                      std::exception_ptr) { response.status = 500; });
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        server_.reset();
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        running_ = true;
        stopping_ = false;
    }
    thread_ = std::thread([server = server_.get()] { server->listen_after_bind(); });
    // The server ignores stop() until its accept loop runs; wait for it, so stop() always works.
    while (!server_->is_running()) {
        std::this_thread::yield();
    }
    return true;
}

void ServiceEmulator::stop() {
    {
        std::lock_guard lock(mutex_);
        if (!running_) {
            return;
        }
        stopping_ = true;
    }
    changed_.notify_all();
    server_->stop();
    if (thread_.joinable()) {
        thread_.join();
    }
    server_.reset();
    std::lock_guard lock(mutex_);
    running_ = false;
}

bool ServiceEmulator::isRunning() const {
    std::lock_guard lock(mutex_);
    return running_;
}

int ServiceEmulator::port() const {
    return port_;
}

QString ServiceEmulator::baseUrl() const {
    return QStringLiteral("%1://127.0.0.1:%2/")
        .arg(options_.tls ? QStringLiteral("https") : QStringLiteral("http"))
        .arg(port_);
}

QString ServiceEmulator::apiUrl() const {
    return baseUrl() + QStringLiteral("api/");
}

void ServiceEmulator::route(const QString& path, Access access, Handler handler) {
    std::lock_guard lock(mutex_);
    routes_[path] = RouteEntry{access, std::move(handler)};
}

ServiceEmulator::Handler ServiceEmulator::routeHandler(const QString& path) const {
    std::lock_guard lock(mutex_);
    if (const auto found = routes_.find(path); found != routes_.end()) {
        return found->second.handler;
    }
    const auto prefix = prefixRoutes_.find(path);
    return prefix == prefixRoutes_.end() ? Handler() : prefix->second.handler;
}

void ServiceEmulator::routePrefix(const QString& prefix, Access access, Handler handler) {
    std::lock_guard lock(mutex_);
    prefixRoutes_[prefix] = RouteEntry{access, std::move(handler)};
}

void ServiceEmulator::setCompression(Compression compression) {
    std::lock_guard lock(mutex_);
    compression_ = compression;
}

void ServiceEmulator::setStrictEnvelope(bool strict) {
    std::lock_guard lock(mutex_);
    strictEnvelope_ = strict;
}

void ServiceEmulator::setPollHoldLimit(std::chrono::milliseconds limit) {
    std::lock_guard lock(mutex_);
    pollHold_ = std::clamp(limit, std::chrono::milliseconds(0), kMaxHold);
}

void ServiceEmulator::scriptAnswer(const QString& path, Reply reply, int times) {
    std::lock_guard lock(mutex_);
    scripts_[path].push_back(PlannedReply{std::move(reply), std::max(times, 1)});
}

void ServiceEmulator::injectFault(const QString& path, Fault fault, int times) {
    std::lock_guard lock(mutex_);
    fault.delay = std::min(fault.delay, kMaxHold);
    faults_[path].push_back(Planned{std::move(fault), times == 0 ? 1 : times});
}

void ServiceEmulator::clearFaults(const QString& path) {
    std::lock_guard lock(mutex_);
    if (path.isEmpty()) {
        faults_.clear();
        scripts_.clear();
    } else {
        faults_.erase(path);
        scripts_.erase(path);
    }
}

std::optional<Fault> ServiceEmulator::takeFault(const QString& path) {
    std::lock_guard lock(mutex_);
    auto it = faults_.find(path);
    if (it == faults_.end() || it->second.empty()) {
        return std::nullopt;
    }
    Planned& next = it->second.front();
    Fault fault = next.fault;
    if (next.remaining > 0 && --next.remaining == 0) {
        it->second.pop_front();
    }
    return fault;
}

std::optional<Reply> ServiceEmulator::takeScript(const QString& path) {
    std::lock_guard lock(mutex_);
    auto it = scripts_.find(path);
    if (it == scripts_.end() || it->second.empty()) {
        return std::nullopt;
    }
    PlannedReply& next = it->second.front();
    Reply reply = next.reply;
    if (--next.remaining == 0) {
        it->second.pop_front();
    }
    return reply;
}

// --- accounts ---

Account ServiceEmulator::addAccount(const QString& email, const QString& password,
                                    const QString& displayName) {
    Account account;
    account.accountId = newUuid();
    account.email = email;
    account.password = password;
    account.displayName = displayName.isEmpty() ? email.section(u'@', 0, 0) : displayName;
    std::lock_guard lock(mutex_);
    accounts_[account.accountId] = account;
    return account;
}

std::optional<Account> ServiceEmulator::account(const QString& idOrEmail) const {
    std::lock_guard lock(mutex_);
    if (auto it = accounts_.find(idOrEmail); it != accounts_.end()) {
        return it->second;
    }
    for (const auto& [id, account] : accounts_) {
        if (account.email.compare(idOrEmail, Qt::CaseInsensitive) == 0) {
            return account;
        }
    }
    return std::nullopt;
}

void ServiceEmulator::updateAccount(const QString& accountId,
                                    const std::function<void(Account&)>& change) {
    std::lock_guard lock(mutex_);
    if (auto it = accounts_.find(accountId); it != accounts_.end()) {
        change(it->second);
    }
}

Credentials ServiceEmulator::issueCredentials(const QString& accountId) {
    Credentials credentials;
    credentials.ticket = QString(newUuid() + newUuid()).remove(u'-');
    credentials.token = newUuid();
    std::lock_guard lock(mutex_);
    if (auto it = accounts_.find(accountId); it != accounts_.end()) {
        it->second.issued.push_back(credentials);
        return credentials;
    }
    return {};
}

std::optional<Account> ServiceEmulator::accountForCredentials(const QString& ticket,
                                                              const QString& token) const {
    if (ticket.isEmpty() || token.isEmpty()) {
        return std::nullopt;
    }
    std::lock_guard lock(mutex_);
    for (const auto& [id, account] : accounts_) {
        for (const Credentials& issued : account.issued) {
            if (issued.ticket == ticket && issued.token == token) {
                return account;
            }
        }
    }
    return std::nullopt;
}

// --- event log ---

namespace {
// The position of an account's stream before its first record. Never 0: an answer's horizon of 0
// asks the client to resynchronise.
constexpr qint64 kFirstHorizon = 1;
}  // namespace

qint64 ServiceEmulator::headLocked(const QString& accountId) const {
    auto it = events_.find(accountId);
    const qint64 count = it == events_.end() ? 0 : static_cast<qint64>(it->second.records.size());
    return kFirstHorizon + count;
}

qint64 ServiceEmulator::appendEvent(const QString& accountId, const QJsonObject& record) {
    qint64 horizon = 0;
    {
        std::lock_guard lock(mutex_);
        events_[accountId].records.push_back(record);
        horizon = headLocked(accountId);
    }
    changed_.notify_all();
    return horizon;
}

qint64 ServiceEmulator::visibleHeadLocked(const QString& accountId) const {
    auto it = events_.find(accountId);
    if (it == events_.end() || !it->second.visible) {
        return headLocked(accountId);
    }
    return kFirstHorizon + static_cast<qint64>(*it->second.visible);
}

void ServiceEmulator::pauseStream(const QString& accountId) {
    std::lock_guard lock(mutex_);
    EventLog& log = events_[accountId];
    log.visible = log.records.size();
}

void ServiceEmulator::resumeStream(const QString& accountId) {
    {
        std::lock_guard lock(mutex_);
        events_[accountId].visible.reset();
    }
    changed_.notify_all();
}

qint64 ServiceEmulator::eventHorizon(const QString& accountId) const {
    std::lock_guard lock(mutex_);
    return headLocked(accountId);
}

EventBatch ServiceEmulator::eventsAfter(const QString& accountId, qint64 horizon, bool wait) {
    return eventsAfter(accountId, horizon, wait, std::numeric_limits<int>::max());
}

EventBatch ServiceEmulator::eventsAfter(const QString& accountId, qint64 horizon, bool wait,
                                        int maxRecords) {
    std::unique_lock lock(mutex_);
    const std::uint64_t releases = releases_;
    auto ready = [&] {
        return stopping_ || releases != releases_ || horizon <= 0 ||
               visibleHeadLocked(accountId) > horizon;
    };
    if (wait && !ready()) {
        ++held_;
        changed_.wait_for(lock, pollHold_, ready);
        --held_;
    }
    EventBatch batch;
    batch.eventHorizon = visibleHeadLocked(accountId);
    const auto it = events_.find(accountId);
    if (it != events_.end()) {
        const auto& records = it->second.records;
        const std::size_t visible = it->second.visible.value_or(records.size());
        const qint64 first = std::max<qint64>(0, horizon - kFirstHorizon);
        const std::size_t end = std::min(
            visible, static_cast<std::size_t>(first) + static_cast<std::size_t>(maxRecords));
        for (auto i = static_cast<std::size_t>(first); i < end; ++i) {
            batch.records.append(records[i]);
        }
        if (end < visible) {
            batch.eventHorizon = kFirstHorizon + static_cast<qint64>(end);
        }
    }
    return batch;
}

// --- recording ---

QList<RecordedRequest> ServiceEmulator::requests(const QString& path) const {
    std::lock_guard lock(mutex_);
    QList<RecordedRequest> result;
    for (const RecordedRequest& request : requests_) {
        if (path.isEmpty() || request.path == path) {
            result.append(request);
        }
    }
    return result;
}

int ServiceEmulator::requestCount(const QString& path) const {
    return static_cast<int>(requests(path).size());
}

std::optional<RecordedRequest> ServiceEmulator::lastRequest(const QString& path) const {
    const QList<RecordedRequest> matching = requests(path);
    if (matching.isEmpty()) {
        return std::nullopt;
    }
    return matching.last();
}

void ServiceEmulator::clearRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

int ServiceEmulator::heldCount() const {
    std::lock_guard lock(mutex_);
    return held_;
}

void ServiceEmulator::releaseHeld() {
    {
        std::lock_guard lock(mutex_);
        ++releases_;
    }
    changed_.notify_all();
}

RecordedRequest ServiceEmulator::record(const httplib::Request& request) {
    RecordedRequest recorded;
    recorded.httpMethod = QString::fromStdString(request.method);
    recorded.target = QString::fromStdString(request.path);
    recorded.path = recorded.target.startsWith(kApiPrefix) ? recorded.target.mid(kApiPrefix.size())
                                                           : recorded.target;
    for (const auto& [name, value] : request.headers) {
        if (!isLibraryHeader(name)) {
            recorded.headers.append(
                {QByteArray::fromStdString(name), QByteArray::fromStdString(value)});
        }
    }
    recorded.rawBody = QByteArray::fromStdString(request.body);
    recorded.clientPort = request.remote_port;
    if (auto body = parseObject(recorded.rawBody)) {
        recorded.body = *body;
        recorded.bodyIsObject = true;
    }
    if (recorded.target.startsWith(kApiPrefix)) {
        recorded.problems = envelopeProblems(recorded);
    }
    std::lock_guard lock(mutex_);
    recorded.sequence = nextSequence_++;
    requests_.push_back(recorded);
    return recorded;
}

void ServiceEmulator::setStatus(int sequence, int status) {
    std::lock_guard lock(mutex_);
    for (RecordedRequest& request : requests_) {
        if (request.sequence == sequence) {
            request.status = status;
        }
    }
}

// --- answering ---

void ServiceEmulator::hold(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex_);
    const std::uint64_t releases = releases_;
    ++held_;
    changed_.wait_for(lock, std::min(duration, kMaxHold),
                      [&] { return stopping_ || releases != releases_; });
    --held_;
}

std::optional<Fault> ServiceEmulator::playFault(const httplib::Request& received,
                                                const RecordedRequest& request,
                                                httplib::Response& response) {
    std::optional<Fault> fault = takeFault(request.path);
    if (fault && fault->delay.count() > 0) {
        hold(fault->delay);
    }
    if (fault && fault->kind == Fault::Kind::Status) {
        write(request, fault->statusReply(), false, response);
    }
    if (fault && fault->kind == Fault::Kind::CloseBeforeAnswer) {
        // Recorded first: the client may see the close before this thread runs on.
        setStatus(request.sequence, -1);
        closeServerConnection(received.local_port, received.remote_port);
    }
    return fault;
}

void ServiceEmulator::handle(const httplib::Request& request, httplib::Response& response) {
    if (handleFileRequest(request, response) || handleWebSignInPage(request, response)) {
        return;
    }
    const RecordedRequest recorded = record(request);
    const std::optional<Fault> fault = playFault(request, recorded, response);
    if (fault && fault->endsCall()) {
        return;
    }
    Call call{recorded, {}, std::nullopt, *this};
    Reply reply = answer(call, recorded);
    if (fault && fault->answerDelay.count() > 0) {
        hold(fault->answerDelay);
    }
    if (fault) {
        switch (fault->kind) {
            case Fault::Kind::WrongContentType:
                reply = Reply::raw(reply.status, kHtmlErrorPage, "text/html; charset=utf-8");
                break;
            case Fault::Kind::MalformedJson: {
                const QByteArray json = reply.body.value_or(toJson(reply.json));
                reply.body = json.left(json.size() / 2);
                break;
            }
            case Fault::Kind::StreamNotArray:
                reply.json[QStringLiteral("stream")] =
                    QJsonObject{{QStringLiteral("mk_rec_type"), QStringLiteral("contact")}};
                break;
            case Fault::Kind::ZeroEventHorizon:
                reply.json[QStringLiteral("event_horizon")] = 0;
                break;
            case Fault::Kind::None:
            case Fault::Kind::Status:
            case Fault::Kind::DropConnection:
            case Fault::Kind::CloseBeforeAnswer:
                break;
        }
    }
    write(recorded, std::move(reply), fault && fault->kind == Fault::Kind::DropConnection,
          response);
}

Reply ServiceEmulator::answer(Call& call, const RecordedRequest& request) {
    if (!request.target.startsWith(kApiPrefix)) {
        return Reply::error(404, QStringLiteral("not_found"));
    }
    std::optional<RouteEntry> entry;
    bool strict = true;
    {
        std::lock_guard lock(mutex_);
        strict = strictEnvelope_;
        if (auto it = routes_.find(request.path); it != routes_.end()) {
            entry = it->second;
        } else {
            // The longest matching prefix wins.
            qsizetype longest = -1;
            for (const auto& [prefix, candidate] : prefixRoutes_) {
                if (request.path.startsWith(prefix) && prefix.size() > longest) {
                    longest = prefix.size();
                    entry = candidate;
                    call.pathTail = request.path.mid(prefix.size());
                }
            }
        }
    }
    if (strict && !request.problems.isEmpty()) {
        return Reply::error(400, QStringLiteral("bad_request"), request.problems.join(u"; "));
    }
    if (entry && entry->access == Access::Session) {
        call.account = accountForCredentials(
            request.body.value(QStringLiteral("ticket")).toString(), request.cookie(u"token_id"));
        if (!call.account) {
            return Reply::error(401, QStringLiteral("not_authenticated"),
                                QStringLiteral("The ticket or the token is not valid."));
        }
        std::lock_guard lock(mutex_);
        for (RecordedRequest& stored : requests_) {
            if (stored.sequence == request.sequence) {
                stored.accountId = call.account->accountId;
            }
        }
    }
    if (std::optional<Reply> scripted = takeScript(request.path)) {
        return *scripted;
    }
    if (!entry) {
        return Reply::error(404, QStringLiteral("unknown_method"), request.path);
    }
    return entry->handler(call);
}

void ServiceEmulator::write(const RecordedRequest& request, Reply reply, bool dropConnection,
                            httplib::Response& response) {
    QByteArray body = reply.body.value_or(toJson(reply.json));
    Compression compression = Compression::WhenAccepted;
    {
        std::lock_guard lock(mutex_);
        compression = compression_;
    }
    const bool accepted = request.header("Accept-Encoding").toLower().contains("gzip");
    const bool compress =
        reply.gzip.value_or(compression == Compression::Always ||
                            (compression == Compression::WhenAccepted && accepted));
    if (compress && !body.isEmpty()) {
        body = platform::deflate(body, platform::CompressionFormat::Gzip,
                                 platform::kBestCompressionLevel);
        response.set_header("Content-Encoding", "gzip");
    }
    response.status = reply.status;
    for (const auto& [name, value] : reply.headers) {
        response.set_header(name.toStdString(), value.toStdString());
    }
    const std::string contentType = reply.contentType.toStdString();
    auto payload = std::make_shared<std::string>(body.toStdString());
    if (dropConnection) {
        const std::size_t cut = payload->size() / 2;
        // The headers promise the whole body; the connection closes after half of it.
        response.set_content_provider(
            payload->size(), contentType,
            [payload, cut](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                if (offset < cut) {
                    return sink.write(payload->data() + offset, cut - offset);
                }
                return false;
            });
        setStatus(request.sequence, -1);
        return;
    }
    if (payload->empty()) {
        response.set_content("", contentType);
    } else {
        // A content provider keeps the server library from compressing on its own.
        response.set_content_provider(
            payload->size(), contentType,
            [payload](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                return sink.write(payload->data() + offset, length);
            });
    }
    setStatus(request.sequence, reply.status);
}

}  // namespace zvemu
