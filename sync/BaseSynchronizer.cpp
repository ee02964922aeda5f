#include "sync/BaseSynchronizer.h"

#include "db/DB.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "sync/SyncXml.h"
#include "sync/SynchronizeRequest.h"
#include "sync/SynchronizeSettings.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDebug>
#include <QJsonDocument>

#include <atomic>
#include <limits>

BaseSynchronizer::BaseSynchronizer(SynchronizerNames names, QObject* parent)
    : QObject(parent), m_names(std::move(names))
{
}

BaseSynchronizer::~BaseSynchronizer() = default;

int BaseSynchronizer::startSynchronize()
{
    return exchange();
}

bool BaseSynchronizer::write(const QJsonObject&)
{
    return true;
}

QString BaseSynchronizer::getErrorMsg(int status)
{
    switch (status) {
    case 1:
        return QCoreApplication::translate("BaseSynchronizer",
                                           "The data you have entered (password or username) is incorrect. "
                                           "Please try again or contact your system administrator.");
    case 2:
        return QCoreApplication::translate("BaseSynchronizer", "Request not valid!");
    case 3:
        return QCoreApplication::translate("BaseSynchronizer", "No Action!");
    case 4:
        return QCoreApplication::translate("BaseSynchronizer", "Ok");
    case 5:
        return QCoreApplication::translate("BaseSynchronizer", "Undefined action fail!");
    case 6:
        return QCoreApplication::translate("BaseSynchronizer", "Workstation not found!");
    case 7:
        return QCoreApplication::translate("BaseSynchronizer", "Synchronize group not found!");
    case 8:
        return QCoreApplication::translate("BaseSynchronizer", "Group not found!");
    case 9:
        return QCoreApplication::translate(
            "BaseSynchronizer",
            "Connection error. Please verify your network connection and entered data. If you use a proxy "
            "server, please verify the proxy settings in the \u201cRemote Management\u201d tab.");
    case 10:
        return QCoreApplication::translate("BaseSynchronizer", "Package fail!");
    default:
        return QCoreApplication::translate("BaseSynchronizer", "Connection Error.") +
               QStringLiteral("<br/>") +
               QCoreApplication::translate(
                   "BaseSynchronizer",
                   "Either the entered login data is wrong, or the application failed to connect to the "
                   "server. "
                   "Please verify your network connection and the login and password. If you use a proxy "
                   "server, please verify the proxy settings in the application preferences ") +
               QStringLiteral("\"Remote\" and \"Network-Settings\".");
    }
}

QString BaseSynchronizer::md5Hex(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

QJsonObject BaseSynchronizer::getSynchronizeHeader(const QString& action) const
{
    return {{QStringLiteral("action"), action},
            {QStringLiteral("workstationid"), m_settings.workstationId},
            {QStringLiteral("login"), m_settings.user},
            {QStringLiteral("pwd"), md5Hex(m_settings.password)}};
}

// A number that does not fit is not one the server meant: cut down to size, 4294967300 would
// read as the success status 4.
int BaseSynchronizer::toInt(const QJsonValue& value, int defaultValue)
{
    const qint64 number = toInt64(value, defaultValue);
    const bool fits = number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max();
    return fits ? int(number) : defaultValue;
}

qint64 BaseSynchronizer::toInt64(const QJsonValue& value, qint64 defaultValue)
{
    if (value.isDouble()) {
        // JSON numbers are doubles; one outside the 64-bit range (or not finite) has no integer.
        const double number = value.toDouble();
        const bool fits = number >= -0x1p63 && number < 0x1p63;
        return fits ? qint64(number) : defaultValue;
    }
    if (value.isString()) {
        bool ok = false;
        const qint64 number = value.toString().trimmed().toLongLong(&ok);
        return ok ? number : defaultValue;
    }
    if (value.isBool())
        return value.toBool() ? 1 : 0;
    return defaultValue;
}

QString BaseSynchronizer::toText(const QJsonValue& value)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 15);
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return {};
}

QJsonArray BaseSynchronizer::toList(const QJsonValue& value)
{
    if (value.isArray())
        return value.toArray();
    if (value.isObject())
        return QJsonArray{value};
    return {};
}

int BaseSynchronizer::checkResponse(const QString& reply, bool& ok, QJsonObject* parsed)
{
    ok = false;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(reply.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError) {
        qWarning() << "checkResponse can't parse json";
        return STATUS_BAD_REPLY;
    }
    if (!document.isObject()) {
        qWarning() << "checkResponse not an object";
        return STATUS_BAD_REPLY;
    }
    const QJsonObject object = document.object();
    if (!object.contains(QStringLiteral("header"))) {
        qWarning() << "checkResponse no header";
        return STATUS_BAD_REPLY;
    }
    if (!object.value(QStringLiteral("header")).isObject()) {
        qWarning() << "checkResponse header not an object";
        return STATUS_BAD_REPLY;
    }
    const QJsonValue result =
        object.value(QStringLiteral("header")).toObject().value(QStringLiteral("result"));
    const int status = toInt(result, -1);
    if (result.isUndefined() || status < 0) {
        qWarning() << "checkResponse no result";
        return STATUS_BAD_REPLY;
    }
    ok = true;
    if (parsed)
        *parsed = object;
    return status;
}

QString BaseSynchronizer::getJsonContent(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

int BaseSynchronizer::processReply(const QString& reply, QString& text)
{
    bool ok = false;
    if (m_version >= 2) {
        const int status = checkResponse(reply, ok, &m_readData);
        if (!ok)
            text = QStringLiteral("malformed JSON reply");
        return ok ? status : STATUS_BAD_REPLY;
    }
    QJsonObject object;
    QString error;
    if (!SyncXml::toJson(reply, &object, &error)) {
        qWarning() << "checkResponse can't parse xml" << error;
        text = QStringLiteral("malformed XML reply");
        return STATUS_BAD_REPLY;
    }
    const QJsonValue result = object.value(QStringLiteral("result"));
    const int status = toInt(result, -1);
    if (status < 0) {
        qWarning() << "checkResponse no result";
        text = QStringLiteral("XML reply without result");
        return STATUS_BAD_REPLY;
    }
    // Same shape as a JSON reply, so write() reads both alike.
    object.insert(QStringLiteral("header"), QJsonObject{{QStringLiteral("result"), status}});
    m_readData = object;
    return status;
}

void BaseSynchronizer::writeToLogButSkipHuge(const QString& title, const QString& text)
{
    if (text.size() < 16384) {
        qDebug().noquote() << title << text;
        return;
    }
    qDebug().noquote() << title << text.left(8192);
    qDebug().noquote() << "...(8192 first chars in previous line, 4096 last in this," << text.size() - 12288
                       << "skipped)..." << text.right(4096);
}

void BaseSynchronizer::applySettings()
{
    qDebug() << "BaseSynchronizer::applySettings()";
    qDebug() << "networkSettings_.serverName:" << m_settings.serverName;
}

std::shared_ptr<KaldoDynamicData> BaseSynchronizer::database()
{
    static std::atomic<bool> checked = false;
    std::shared_ptr<KaldoDynamicData> db = DB::get();
    if (db && db->IsOpened())
        Schema::checkOnce(*db, Schema::all(), checked);
    return db;
}

int BaseSynchronizer::exchange()
{
    qDebug() << "BaseSynchronizer::startSynchronize()";
    const std::unique_ptr<SynchronizeRequest> request = send(read());
    if (awaitReply(*request) == STATUS_OK)
        applyReply();
    qDebug() << "end of BaseSynchronizer::startSynchronize() result is: " << m_status;
    return m_status;
}

std::unique_ptr<SynchronizeRequest> BaseSynchronizer::send(const QJsonValue& data)
{
    m_connectionLost = false;
    m_detail.clear();
    applySettings();
    m_writeData = data;

    auto request = std::make_unique<SynchronizeRequest>(m_manager);
    request->setServerName(m_settings.serverName);
    request->setVersion(m_version);
    request->setProxyUsed(m_settings.useProxy);
    request->setProxy(m_settings.proxyHost, m_settings.proxyPort, m_settings.proxyUser,
                      m_settings.proxyPassword);
    const QJsonObject header = getSynchronizeHeader(action());
    if (m_version >= 2) {
        SynchronizeRequest::setJsonRequestMode(true);
        QJsonObject body{{QStringLiteral("header"), header}};
        if (m_names.xmlPayload)
            body.insert(QStringLiteral("data"), SyncXml::requestDocument(header, data));
        else if (!data.isUndefined())
            body.insert(QStringLiteral("data"), data);
        request->setJsonBody(QJsonDocument(body).toJson(QJsonDocument::Compact));
    } else {
        SynchronizeRequest::setJsonRequestMode(false);
        request->setRequestParam(QStringLiteral("user"), m_settings.user);
        request->setRequestParam(QStringLiteral("password"), m_settings.password);
        request->setRequestParam(QStringLiteral("workstation_id"), m_settings.workstationId);
        request->setRequestParam(QStringLiteral("action"), action());
        if (!data.isUndefined() && !data.isNull()) {
            const QString document = SyncXml::requestDocument(header, data);
            writeToLogButSkipHuge(QStringLiteral("sync:"), document);
            request->setFileParam(QStringLiteral("file"), QStringLiteral("send.xml"),
                                  QStringLiteral("text/xml"), document.toUtf8());
        }
    }
    request->establishConnection();
    return request;
}

int BaseSynchronizer::awaitReply(SynchronizeRequest& request)
{
    request.waitForEnd();
    m_readData = {};
    m_detail.clear();
    if (!request.succeeded()) {
        m_connectionLost = request.connectionLost();
        m_detail = request.errorText();
        if (m_connectionLost) {
            m_status = STATUS_CONNECTION;
            qWarning().noquote() << "synchronization connection failed:" << m_detail << "-"
                                 << getErrorMsg(m_status);
        } else {
            m_status = STATUS_BAD_REPLY;
            qWarning().noquote() << action() << "- the server answered with an error:" << m_detail;
        }
        return m_status;
    }
    m_connectionLost = false;
    const QString reply = request.replyText();
    writeToLogButSkipHuge(QStringLiteral("reply:"), reply);
    QString text;
    m_status = processReply(reply, text);
    m_detail = text;
    if (m_status != STATUS_OK) {
        if (m_detail.isEmpty())
            m_detail = getErrorMsg(m_status);
        qWarning() << action() << "- reply status" << m_status << m_detail
                   << "- local data left as they were";
    }
    return m_status;
}

int BaseSynchronizer::applyReply()
{
    if (!write(m_readData)) {
        qWarning() << action() << "- the reply could not be applied; the rows stay marked for upload";
        m_status = STATUS_BAD_REPLY;
        m_detail = QStringLiteral("reply not applied locally");
    }
    return m_status;
}

bool BaseSynchronizer::finishApply(DBTransaction& transaction, bool ok, int rows)
{
    if (!ok)
        transaction.failTransaction();
    else
        addApplied(rows);
    return ok;
}
