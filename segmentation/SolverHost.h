#pragma once

// What a solver needs from whoever runs it: a progress display, event processing and a
// cancel test. The window supplies a QProgressDialog and QCoreApplication::processEvents;
// the command line, the benchmark and the tests supply their own.
class SolverHost {
public:
    virtual ~SolverHost() = default;

    // The start state is known: open the progress display with range 0..maximum.
    virtual void begin(int maximum) = 0;
    virtual void processEvents() = 0;
    virtual bool wasCanceled() = 0;
    // Passed on unchanged, also outside 0..maximum.
    virtual void setValue(int value) = 0;
    // The augmenting-path method's label: "Segmentujem... Pocet hotovych iteracii: N".
    virtual void setIterationLabel(int iteration) = 0;
};

// Runs without any display and never cancels.
class SilentSolverHost : public SolverHost {
public:
    void begin(int) override {}
    void processEvents() override {}
    bool wasCanceled() override { return false; }
    void setValue(int) override {}
    void setIterationLabel(int) override {}
};
