#include "DeskApplication.h"

#include "StandardError.h"

#include "settings/Language.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QThread>
#include <QTranslator>

#include <exception>

namespace tovrel {

DeskApplication::DeskApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    // The program's name only. No display name is set: the window system would append it to
    // every window and message-box title, and titles are exactly the windows' captions.
    setApplicationName(QStringLiteral("tovrel-desk"));
    // Qt's own widgets (calendar, standard buttons, folder picker) write dates, month and day
    // names in the program's language.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
}

bool DeskApplication::loadQtTranslations()
{
    if (m_qtTranslator)
        return true;
    m_qtTranslator = installQtChinese(*this);
    if (!m_qtTranslator) {
        qWarning("tovrel-desk: Qt's Chinese translations (qtbase_zh_CN.qm) are not installed in "
                 "%s; Qt's dialogs stay in English",
                 qUtf8Printable(QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
        return false;
    }
    return true;
}

bool DeskApplication::notify(QObject *receiver, QEvent *event)
{
    // A box can only be shown on the window thread; events of worker threads pass untouched.
    if (!m_errors || QThread::currentThread() != thread())
        return QApplication::notify(receiver, event);
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        showStandardError(*m_errors, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showStandardError(*m_errors, QString());
    }
    return false;
}

} // namespace tovrel
