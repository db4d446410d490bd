#pragma once
#include "core/uProgressIndicator.h"

// A progress bar that only remembers its state, for checking what a block transfer showed.
class RecordingProgress : public TProgressIndicator {
public:
    int Min = -100, Max = -100, Position = -100, Step = -100;
    bool Segmented = false;
    int Steps = 0;

    void SetMin(int value) override { Min = value; }
    void SetMax(int value) override { Max = value; }
    void SetPosition(int value) override { Position = value; }
    void SetStep(int value) override { Step = value; }
    void SetSegmented(bool segmented) override { Segmented = segmented; }
    int GetPosition() const override { return Position; }
    int GetMax() const override { return Max; }
    void StepIt() override
    {
        Position += Step;
        ++Steps;
    }
};
