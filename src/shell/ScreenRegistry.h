#pragma once

#include <QHash>
#include <QString>
#include <functional>

class QWidget;

// Which screen each menu item of the main window opens. A screen is created
// by its factory without a parent; the main window keeps one instance of it.
// A QDialog opens as its own window over the main window, any other widget as
// a child window of the work area. A screen ends itself with close(). A
// screen that holds work of the logged-in user has a slot resetForUser(),
// which the main window calls after a login as another user; one whose list
// a failed read may leave empty has a slot relistIfLost(), called after a
// login as the same user.
class ScreenRegistry
{
public:
    using Factory = std::function<QWidget*()>;

    // Replaces an earlier factory of the same item.
    void add(const QString& menuItem, Factory make);
    bool contains(const QString& menuItem) const;
    // Nullptr when the item has no screen.
    QWidget* create(const QString& menuItem) const;

    // Every screen the program has (ScreenCatalog.cpp).
    static ScreenRegistry catalog();

private:
    QHash<QString, Factory> m_factories;
};
