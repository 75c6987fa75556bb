#include "support/Dialogs.h"

#include <QApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

BoxAnswerer::BoxAnswerer()
{
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    m_timer.start(5);
}

void BoxAnswerer::poll()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(w);
        auto *files = qobject_cast<QFileDialog *>(w);
        if ((!box && !files) || !w->isVisible())
            continue;
        if (w->property("answeredAt").isValid()) {
            if (now - w->property("answeredAt").toLongLong() > 5000) {
                failures << QString("box '%1' did not close after its answer").arg(w->windowTitle());
                static_cast<QDialog *>(w)->reject();
            }
            continue;
        }
        w->setProperty("answeredAt", now);
        const Seen s{bool(files), w->windowTitle(), box ? box->text() : files->nameFilters().join(';')};
        seen.append(s);
        const bool fileAnswer = !m_queue.isEmpty() && m_queue.first().first == QMessageBox::Open;
        if (m_queue.isEmpty() || fileAnswer != bool(files)) {
            failures << QString("unexpected box '%1': %2").arg(s.title, s.text);
            static_cast<QDialog *>(w)->reject();
            continue;
        }
        const auto [button, path] = m_queue.takeFirst();
        QAbstractButton *b = !box ? nullptr : button == QMessageBox::Ok && box->defaultButton()
                                                   ? static_cast<QAbstractButton *>(box->defaultButton()) : box->button(button);
        if (files && button == QMessageBox::Open) {
            files->selectFile(path);
            files->findChild<QLineEdit *>("fileNameEdit")->setText(path);
            QMetaObject::invokeMethod(files, "accept", Qt::DirectConnection);
        } else if (b) {
            b->click();
        } else {
            if (box && button != QMessageBox::NoButton)
                failures << QString("box '%1' has no button %2").arg(s.title).arg(button);
            static_cast<QDialog *>(w)->reject();
        }
    }
}
