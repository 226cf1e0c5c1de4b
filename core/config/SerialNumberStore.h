// The factory serial numbers handed out, kept in Config.ini's [SN] section, which the window
// keeps too, so the window and the command line continue one sequence. Every change is made
// under Config.ini's lock on the file as it is then, so no number is handed out twice and no
// program undoes another's; a number given back (its module failed verification) is handed
// out again first. A number is recorded before a module gets it: when it cannot be recorded,
// no module gets it.
//
//   [SN]  Model, Year, Month  the window's choice of model row, year and month
//         NO                  the highest number handed out, five digits
//         Released            numbers given back, not yet handed out again
#pragma once

#include <QString>

class SerialNumberStore {
public:
    static constexpr int kMaxSequence = 65534; // 65535 is kept back by the modules

    explicit SerialNumberStore(const QString& configPath);

    // The next number, -1 with `error` set when there is none left or it cannot be recorded.
    int take(QString* error);
    // Gives a number back (the module it was meant for failed).
    bool giveBack(int number, QString* error);
    // Notes a number written by hand, so the sequence goes on from it (and it is no longer free).
    bool noteWritten(int number, QString* error);

    // Claims a number chosen by hand before it is written. A number not handed out yet (past
    // NO, or given back) is recorded as handed out; one already handed out is only claimed
    // when `again` is set (the operator means to write it a second time).
    enum class Claim { Claimed, AlreadyHandedOut, Failed };
    Claim claim(int number, bool again, int* lastHandedOut, QString* error);

    // The window's choice, kept for its next start; NO is never lowered by it.
    struct Choice {
        int modelRow = 0;
        QString year;
        QString month;
    };
    bool keepChoice(const Choice& choice, int written, QString* error);

    // The highest number handed out, -1 when none is recorded.
    int lastHandedOut() const;

    // Whether numbers can be recorded at all (lock and file writable), before a run starts.
    bool checkWritable(QString* error) const;

private:
    QString m_path;
};
