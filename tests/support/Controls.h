#pragma once
// Finds a dialog's control the way a reader names it: by the object name its
// template gives it beside its ID.
#include <QWidget>
#include <gtest/gtest.h>

template <class T> T* Control(const QWidget* dialog, const char* name)
{
    T* control = dialog->findChild<T*>(name);
    EXPECT_NE(control, nullptr) << name;
    return control;
}
