#pragma once

#include <QJsonObject>
#include <QMutex>
#include <QString>
#include <QThread>

#include <atomic>
#include <vector>

// A local DDC/CI service for the tests, on its own thread: it lends the simulated bus of one
// display output and moves the bytes it is given, as a real service moves them over a
// video-card interface. Its answers can be spoiled to exercise the client's error paths.
class TestDdcService : public QThread
{
public:
    enum class Mode
    {
        Normal,
        Garbage,  // a line that is not JSON
        Silent,   // keeps the connection and never answers
        Refusing, // {"error": "display busy"}
        HangUp    // closes the connection without a word
    };

    TestDdcService(QString socketName, QString output);
    ~TestDdcService() override;

    // Starts listening; false when the socket name could not be taken.
    bool begin();
    void setMode(Mode mode) { m_mode = mode; }
    // Every request received so far, in order.
    std::vector<QJsonObject> requests() const;

protected:
    void run() override;

private:
    QJsonObject answer(const QJsonObject& request);

    QString m_socketName;
    QString m_output;
    std::atomic<Mode> m_mode{Mode::Normal};
    std::atomic<int> m_listening{0};
    mutable QMutex m_mutex;
    std::vector<QJsonObject> m_requests;
};
