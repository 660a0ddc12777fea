#pragma once

#include <QApplication>

class QTranslator;

namespace tovrel {

class MessageSink;

// The application object. An exception that escapes an event handler of the window thread is
// shown in the standard error box and the event counts as unhandled; the message loop goes on, so
// one failed handler does not end the program (and with it a running upload or conversion).
class DeskApplication : public QApplication
{
    Q_OBJECT

public:
    DeskApplication(int &argc, char **argv);

    // Where the standard error box goes; without one, the exception goes on as it would without
    // this class.
    void setErrorSink(MessageSink *messages) { m_errors = messages; }

    // Loads Qt's own Simplified Chinese texts (the folder picker's "查找范围：" and "选择", the
    // standard buttons' "确定" and "取消"), so Qt's dialogs speak the program's language. False,
    // with a line on stderr, when they are not installed: Qt's dialogs then stay in English.
    bool loadQtTranslations();

    bool notify(QObject *receiver, QEvent *event) override;

private:
    MessageSink *m_errors = nullptr;
    QTranslator *m_qtTranslator = nullptr;
};

} // namespace tovrel
