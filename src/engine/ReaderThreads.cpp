#include "engine/ReaderThreads.h"

#include <QCoreApplication>

#include <list>
#include <thread>
#include <vector>

#include "engine/EngineRunState.h"
#include "engine/LineSplitter.h"
#include "engine/OutputFilter.h"
#include "engine/StopGrace.h"

namespace {

void readEngine(std::shared_ptr<EngineRunState> state, qsizetype lineLimit);

// Every reader thread, from its start until it is joined.
class Readers {
public:
    static Readers &instance() {
        static Readers readers;
        return readers;
    }

    // Under the lock, so that a reader that ends at once still finds itself.
    void start(const std::shared_ptr<EngineRunState> &state, qsizetype lineLimit) {
        std::lock_guard lock(m_mutex);
        if (!m_hooked && QCoreApplication::instance()) {
            // Runs while the application object is being destroyed: the
            // last moment readers may post to it, and the last chance to
            // end every engine the app started.
            qAddPostRoutine([] { Readers::instance().stopAll(); });
            m_hooked = true;
        }
        m_entries.push_back({std::thread(readEngine, state, lineLimit), state, false});
    }

    // Called by a reader as the very last thing it does.
    void finished(const EngineRunState *state) {
        std::lock_guard lock(m_mutex);
        for (Entry &entry : m_entries)
            if (entry.state.get() == state)
                entry.done = true;
        if (!m_stopping && QCoreApplication::instance())
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [] { Readers::instance().joinFinished(); },
                Qt::QueuedConnection);
    }

    void joinFinished() {
        join([](const Entry &entry) { return entry.done; });
    }

    void stopAll() {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
            for (Entry &entry : m_entries) entry.state->requestStop();
        }
        join([](const Entry &) { return true; });
        std::lock_guard lock(m_mutex);
        m_stopping = false;
    }

    ~Readers() { stopAll(); }

private:
    struct Entry {
        std::thread thread;
        std::shared_ptr<EngineRunState> state;
        bool done;
    };

    // Joins outside the lock: a reader takes it to say it finished.
    template <typename Which>
    void join(Which which) {
        std::vector<std::thread> threads;
        {
            std::lock_guard lock(m_mutex);
            for (auto it = m_entries.begin(); it != m_entries.end();) {
                if (which(*it)) {
                    threads.push_back(std::move(it->thread));
                    it = m_entries.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (std::thread &thread : threads) thread.join();
    }

    std::mutex m_mutex;
    std::list<Entry> m_entries;
    bool m_hooked = false;
    bool m_stopping = false;
};

QString cutNote() {
    return QCoreApplication::translate(
        "Engine", "⚠ A line of the engine's output was too long and was cut short.");
}

// Reads the engine's output into lines and hands them on in batches, one
// batch per read, until the engine has ended; then tells how it ended.
void readEngine(std::shared_ptr<EngineRunState> state, qsizetype lineLimit) {
    LineSplitter splitter(lineLimit);
    QStringList batch;
    std::optional<QString> refusal;  // the engine's last error report
    auto collect = [&](QByteArrayView raw, bool cut) {
        QString line = Engine::shownLine(raw);
        if (!line.isNull()) {
            if (std::optional<QString> message = Engine::errorReport(line))
                refusal = std::move(message);
            batch.append(std::move(line));
        }
        if (cut)
            batch.append(cutNote());
    };
    const RunningChild::End end = state->child->pump(
        [&](QByteArrayView chunk) {
            splitter.feed(chunk, collect);
            if (!batch.isEmpty())
                state->publish(std::exchange(batch, {}));
        },
        Engine::stopGrace);
    splitter.finish(collect);

    std::optional<QString> failure = end.error;
    if (!failure && end.crash)
        failure =
            QCoreApplication::translate("Engine", "The cleaning engine stopped unexpectedly (%1).")
                .arg(*end.crash);
    if (!failure && end.exitCode.value_or(0) != 0)
        failure = refusal;
    state->publish(batch, true, failure);  // reaches nobody once stopped
    Readers::instance().finished(state.get());
}

}  // namespace

namespace ReaderThreads {

void start(std::shared_ptr<EngineRunState> state, qsizetype lineLimit) {
    Readers::instance().start(state, lineLimit);
}

void stopAll() {
    Readers::instance().stopAll();
}

}  // namespace ReaderThreads
