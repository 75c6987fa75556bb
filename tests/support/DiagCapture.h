#pragma once

#include "diag/diag.h"

#include <QStringList>

// Captures the diagnostic lines written while it lives, instead of printing them.
class DiagCapture final : public diag::Sink {
public:
    DiagCapture();
    ~DiagCapture() override;
    DiagCapture(const DiagCapture &) = delete;
    DiagCapture &operator=(const DiagCapture &) = delete;

    void writeLine(const char *text, std::size_t length) override;

    QStringList lines;
    // The captured lines joined, each followed by '\n', as standard output would show them.
    QString text() const;

private:
    diag::Sink *m_previous;
};
