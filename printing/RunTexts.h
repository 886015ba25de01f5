#pragma once

#include <QString>

// What a print run tells the operator, in the interface language: one table
// for the run's own texts (the printer's conditions are described by
// describeStatus).
class RunTexts {
public:
    explicit RunTexts(bool chinese) : zh_(chinese) {}

    // "USB1: text".
    QString onPort(const QString& port, const QString& text) const;

    // The first status request of a run, each with the reason it failed.
    QString unreadableAnswer(const QString& error) const;
    QString silentAgain(const QString& error) const;
    // statusVariable: the port's part of VORNELL_PRINTER_<port>_STATUS.
    QString networkUnconfirmed(const QString& error, const QString& statusVariable) const;
    QString noAnswer(const QString& error) const;

    // While strips are out.
    QString notReadWhole(const QString& error) const;
    QString stoppedAnswering(const QString& error) const;
    QString notSeenWorking(double seconds) const;
    QString notFinished(int seconds) const;
    // After a refused record's own reason.
    QString recordHeldForPerson() const;

private:
    bool zh_;
};
