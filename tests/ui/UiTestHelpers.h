#pragma once
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

// Runs the given steps as soon as the next modal loop is running, so a test can drive a dialog
// whose RunModal blocks.
inline void WhenModal(std::function<void()> steps)
{
    QTimer::singleShot(0, std::move(steps));
}

// Finds a component by its name and fails the test when it is missing or of another kind.
template <class T>
T* Component(const QObject* window, const char* name)
{
    T* found = window->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << "no component " << name;
    return found;
}
