#pragma once

#include <QObject>
#include <functional>
#include <vector>

// Test classes of one area register themselves here; the shared main runs
// them all in one process and fails when any of them fails.
namespace testmain {

using Factory = std::function<QObject*()>;
int registerTest(const char* name, Factory f);

} // namespace testmain

#define TROVA_TEST(Class)                                                                                      \
    static const int trova_registered_##Class = testmain::registerTest(#Class, [] { return new Class; });
