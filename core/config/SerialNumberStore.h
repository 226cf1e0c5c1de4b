// The factory serial numbers handed out, kept in Config.ini's [SN] section, which the window
// keeps too, so the window and the command line continue one sequence. Every process on the
// machine takes numbers under one lock file, so no number is handed out twice; a number
// given back (its module failed verification) is handed out again first.
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

    // The next number, -1 with `error` set when there is none left or the lock cannot be had.
    int take(QString* error);
    // Gives a number back (the module it was meant for failed).
    bool giveBack(int number, QString* error);
    // Notes a number written by hand, so the sequence goes on from it.
    bool noteWritten(int number, QString* error);

private:
    template <typename F>
    bool locked(F&& work, QString* error);
    QString m_path;
};
