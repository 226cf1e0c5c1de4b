// What the command line asks of the tool at start:
//   --user-config    Config.ini in $XDG_CONFIG_HOME/rfmodtool (~/.config/rfmodtool), made when
//                    missing; the desktop menu starts the tool so, its working directory being
//                    the home folder. Without it Config.ini is the working directory's.
//   --station NAME   the station's name in the window title, for two windows on one desktop.
//   --production     the production station window alone (the desktop's second entry);
//                    with --start it starts every jig of the saved set-up at once, with
//                    --count N each jig ends after N modules, with --quit-when-done the program
//                    ends once they all have.
#pragma once

#include <QString>
#include <QStringList>

// Takes the options from `arguments` (the program's name first) and puts them in force for the
// window made next; unknown arguments are left alone.
void UseStartOptions(const QStringList& arguments);

// The station given with --station (empty without it).
QString StartStation();
// --production was given.
bool StartProduction();
struct StationStart {
    bool start = false;
    int count = 0;
    bool quitWhenDone = false;
};
StationStart StartStationRun();

// Qt's own texts (standard buttons such as Yes/No, the file dialogs) in the interface language:
// Chinese when the messages are, else Qt's English. Called once the configuration is read.
void UseQtTranslations();
