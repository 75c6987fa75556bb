#include "support/BoxAnswerer.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>

namespace {
const char *const HandledProperty = "boxAnswererHandled";
const char *const SeenAtProperty = "boxAnswererSeenAt";
} // namespace

BoxAnswerer::BoxAnswerer(QObject *parent) : QObject(parent)
{
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    connect(&m_timer, &QTimer::timeout, this, &BoxAnswerer::poll);
    m_timer.start(5);
}

BoxAnswerer::~BoxAnswerer() = default;

void BoxAnswerer::press(QMessageBox::StandardButton button)
{
    m_queue.append({Answer::Button, button, {}});
}

void BoxAnswerer::pressDefault()
{
    m_queue.append({Answer::Default, QMessageBox::NoButton, {}});
}

void BoxAnswerer::closeOtherwise()
{
    m_queue.append({Answer::Close, QMessageBox::NoButton, {}});
}

void BoxAnswerer::chooseFile(const QString &path)
{
    m_queue.append({Answer::File, QMessageBox::NoButton, path});
}

void BoxAnswerer::cancelFile()
{
    m_queue.append({Answer::CancelFile, QMessageBox::NoButton, {}});
}

void BoxAnswerer::clear()
{
    seen.clear();
    failures.clear();
    m_queue.clear();
}

QString BoxAnswerer::report() const
{
    QStringList parts = failures;
    if (!m_queue.isEmpty())
        parts << QString("%1 queued answer(s) unused: the box never came").arg(m_queue.size());
    return parts.join("; ");
}

void BoxAnswerer::poll()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(w);
        auto *files = qobject_cast<QFileDialog *>(w);
        if ((!box && !files) || !w->isVisible())
            continue;

        if (w->property(HandledProperty).toBool()) {
            // Answered but still open: force it shut after the timeout rather than hang.
            if (now - w->property(SeenAtProperty).toLongLong() > timeoutMs) {
                failures << QString("box '%1' did not close after its answer").arg(w->windowTitle());
                if (QDialog *d = qobject_cast<QDialog *>(w))
                    d->reject();
            }
            continue;
        }
        w->setProperty(HandledProperty, true);
        w->setProperty(SeenAtProperty, now);

        Seen s;
        s.className = box ? "QMessageBox" : "QFileDialog";
        s.title = w->windowTitle();
        s.modal = w->isModal();
        if (box) {
            s.text = box->text();
            s.informativeText = box->informativeText();
            s.icon = box->icon();
            s.buttons = box->standardButtons();
            if (box->defaultButton())
                s.defaultButton = box->standardButton(box->defaultButton());
        } else {
            s.nameFilters = files->nameFilters();
            if (auto *edit = files->findChild<QLineEdit *>("fileNameEdit"))
                s.initialSelection = edit->text();
        }

        if (m_queue.isEmpty()) {
            failures << QString("unexpected %1 '%2': %3").arg(s.className, s.title, s.text);
            seen.append(s);
            static_cast<QDialog *>(w)->reject();
            continue;
        }
        const Answer answer = m_queue.takeFirst();
        if (box) {
            switch (answer.kind) {
            case Answer::Button:
                if (QAbstractButton *b = box->button(answer.button)) {
                    b->click();
                } else {
                    failures << QString("box '%1' has no button %2").arg(s.title).arg(answer.button);
                    box->reject();
                }
                break;
            case Answer::Default:
                if (QAbstractButton *b = box->defaultButton()
                                             ? static_cast<QAbstractButton *>(box->defaultButton())
                                             : box->button(QMessageBox::Ok))
                    b->click();
                else
                    box->reject();
                break;
            case Answer::Close:
                box->reject();
                break;
            case Answer::File:
            case Answer::CancelFile:
                failures << QString("expected a file dialog, got message box '%1': %2")
                                .arg(s.title, s.text);
                box->reject();
                break;
            }
        } else {
            if (answer.kind == Answer::File) {
                files->selectFile(answer.file);
                if (auto *edit = files->findChild<QLineEdit *>("fileNameEdit"))
                    edit->setText(answer.file);
                QMetaObject::invokeMethod(files, "accept", Qt::DirectConnection);
                s.accepted = true;
            } else {
                if (answer.kind != Answer::CancelFile)
                    failures << QString("expected a message box, got file dialog '%1'").arg(s.title);
                files->reject();
            }
        }
        seen.append(s);
    }
}
