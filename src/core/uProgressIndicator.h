#pragma once

// What a block transfer needs of a progress bar. The main window's bar implements it; tests
// use a recording fake.
class TProgressIndicator {
public:
    virtual ~TProgressIndicator() = default;
    virtual void SetMin(int value) = 0;
    virtual void SetMax(int value) = 0;
    virtual void SetPosition(int value) = 0;
    virtual void SetStep(int value) = 0;
    virtual void SetSegmented(bool segmented) = 0;
    virtual int GetPosition() const = 0;
    virtual int GetMax() const = 0;
    virtual void StepIt() = 0;
};
