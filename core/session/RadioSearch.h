// The identify handshake, and the search built on it. Finds a module whose serial settings
// are not known: steps the open PC port through the 21 combinations of seven baud rates and
// three parities, sends the search request at each and waits for the identify answer. The
// first combination that is answered stays in force; the search ends once the serial-number
// read that follows (it tells the exact model) has ended, or a step's time later if it never
// does. identifyHere is the same handshake at the line in force, without stepping.
#pragma once

#include "core/link/SerialLink.h"
#include "Transaction.h"
#include "core/model/Values.h"

#include <QObject>
#include <QTimer>

class ModuleSession;

class RadioSearch : public QObject {
    Q_OBJECT
public:
    static constexpr int kCombinations = 21;
    static constexpr int kStepIntervalMs = 1100;

    explicit RadioSearch(ModuleSession& session, QObject* parent = nullptr);

    // Combination 1..21: baud rates 600, 1200, 2400, 4800, 9600, 19200, 38400, each with even,
    // odd and no parity. An index outside is the first.
    static SerialSettings Combination(int index);
    // The combination of the given settings; a rate or parity that has none counts as the
    // first of its kind.
    static int IndexOf(const SerialSettings& settings);

    // Starts at combination `startIndex` (a search still running is replaced); false when the
    // first step could not go out (port closed or gone). A later step that finds the port
    // closed or gone ends the search with `abandoned` instead of `finished`.
    bool start(int startIndex);
    // No stepping: one search request at the line in force, queued behind what waits, with
    // `timeoutMs` (as ModuleSession::submit), then the model read. Ends with finished(true)
    // once the model read is answered, or failed() with the first that was not.
    void identifyHere(int timeoutMs);
    // Ends the search (and the request it awaits) without a verdict.
    void stop();
    void setStepInterval(int ms) { m_intervalMs = ms; }
    int stepInterval() const { return m_intervalMs; }

    bool isRunning() const { return m_timer.isActive() || m_followUp != 0 || m_identifying; }
    bool found() const { return m_found; }
    int index() const { return m_index; }
    int tries() const { return m_tries; }

signals:
    // The port was set to a combination and the request sent (or refused).
    void stepped(int index, const SerialSettings& settings, LinkStatus configured, LinkStatus sent);
    // Stepping ended: a module answered, or every combination was tried in vain.
    void finished(bool found);
    // A step found the port closed or gone: the search ended without a verdict.
    void abandoned();
    // identifyHere: its request or the model read ended otherwise than answered.
    void failed(const TransactionResult& result);

private:
    bool step(int index);
    void onTimer();
    void onFollowUp(TransactionId id);
    void onEnded(const TransactionResult& result);
    void finish(bool found);

    ModuleSession& m_session;
    QTimer m_timer;
    QTimer m_followUpTimer;
    TransactionId m_request = 0;  // the search request of the step in force
    TransactionId m_followUp = 0; // the serial-number read after the identify answer
    bool m_identifyOnly = false;  // identifyHere, not a search
    bool m_identifying = false;   // identifyHere: its request awaits the identify answer
    int m_intervalMs = kStepIntervalMs;
    bool m_found = false;
    int m_index = 0;
    int m_tries = 0;
};
