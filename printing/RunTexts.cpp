#include "printing/RunTexts.h"

QString RunTexts::onPort(const QString& port, const QString& text) const {
    return (zh_ ? QStringLiteral(u"%1：%2") : QStringLiteral("%1: %2")).arg(port, text);
}

QString RunTexts::unreadableAnswer(const QString& error) const {
    return (zh_ ? QStringLiteral(u"无法读取打印机的状态应答（%1），未打印任何标签")
                : QStringLiteral("the printer's status answer cannot be read (%1); "
                                 "nothing was printed"))
        .arg(error);
}

QString RunTexts::silentAgain(const QString& error) const {
    return (zh_ ? QStringLiteral(u"该打印机以前应答过状态查询，现在没有应答（%1），"
                                 u"未打印任何标签")
                : QStringLiteral("the printer answered status requests before and does "
                                 "not now (%1); nothing was printed"))
        .arg(error);
}

QString RunTexts::networkUnconfirmed(const QString& error, const QString& statusVariable) const {
    return (zh_ ? QStringLiteral(u"网络打印机没有应答状态查询（%1），网络确认不能证明标签已打出；"
                                 u"未打印任何标签。若接受网络确认，请将 VORNELL_PRINTER_%2_STATUS "
                                 u"设为 off")
                : QStringLiteral("the networked printer did not answer the status "
                                 "request (%1), and a network acknowledgement does not "
                                 "show that a label came out; nothing was printed. To "
                                 "mark strips once its network stack took them, set "
                                 "VORNELL_PRINTER_%2_STATUS=off"))
        .arg(error, statusVariable);
}

QString RunTexts::noAnswer(const QString& error) const {
    return (zh_ ? QStringLiteral(u"打印机没有应答状态查询（%1），未打印任何标签")
                : QStringLiteral("the printer did not answer the status request (%1); "
                                 "nothing was printed"))
        .arg(error);
}

QString RunTexts::notReadWhole(const QString& error) const {
    return (zh_ ? QStringLiteral(u"打印机没有确认收到整条标签（%1）")
                : QStringLiteral("the printer did not confirm it read the whole strip (%1)"))
        .arg(error);
}

QString RunTexts::stoppedAnswering(const QString& error) const {
    return (zh_ ? QStringLiteral(u"打印机不再应答状态查询（%1）")
                : QStringLiteral("the printer stopped answering (%1)"))
        .arg(error);
}

QString RunTexts::notSeenWorking(double seconds) const {
    return (zh_ ? QStringLiteral(u"打印机在 %1 秒内没有开始打印这些标签条")
                : QStringLiteral("the printer was not seen working on the strips within %1 s"))
        .arg(seconds);
}

QString RunTexts::notFinished(int seconds) const {
    return (zh_ ? QStringLiteral(u"打印机在 %1 秒内没有打印完")
                : QStringLiteral("the printer did not finish within %1 s"))
        .arg(seconds);
}

QString RunTexts::recordHeldForPerson() const {
    return zh_ ? QStringLiteral(u" 该记录保留待人工处理：改正标签文字后在“未完成的标签条”中"
                                u"选择“重新打印”。")
               : QStringLiteral(" The record is held for a person: correct its label "
                                "text, then Print again in Unfinished strips.");
}
