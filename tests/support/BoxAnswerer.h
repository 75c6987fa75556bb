#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

// Answers the program's modal message boxes and file dialogs from a timer while they run
// their own event loops, and records what each one showed. A box that comes while no
// answer is queued is recorded as unexpected and closed, and a box that no answer
// closes within the timeout is forced shut, so a test fails instead of hanging.
class BoxAnswerer : public QObject {
    Q_OBJECT

public:
    struct Seen {
        QString className;  // "QMessageBox" or "QFileDialog"
        QString title;
        QString text;
        QString informativeText;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QStringList nameFilters;     // file dialogs
        QString initialSelection;    // file dialogs: the proposed file name
        bool accepted = false;       // file dialogs
        bool modal = false;
    };

    explicit BoxAnswerer(QObject *parent = nullptr);
    ~BoxAnswerer() override;

    // Queue answers, in the order the boxes will come.
    void press(QMessageBox::StandardButton button);  // the box's own button
    void pressDefault();                              // whatever is the default (Ok boxes)
    void closeOtherwise();                            // neither a button nor Escape: reject()
    void chooseFile(const QString &path);             // file dialogs
    void cancelFile();

    QList<Seen> seen;
    QStringList failures;

    // Every queued answer was used and nothing unexpected came.
    bool ok() const { return m_queue.isEmpty() && failures.isEmpty(); }
    QString report() const;
    void clear();

    int timeoutMs = 5000;

private slots:
    void poll();

private:
    struct Answer {
        enum Kind { Button, Default, Close, File, CancelFile } kind;
        QMessageBox::StandardButton button = QMessageBox::NoButton;
        QString file;
    };
    QList<Answer> m_queue;
    QTimer m_timer;
};
