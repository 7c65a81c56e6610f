#include "ScreenRegistry.h"

void ScreenRegistry::add(const QString& menuItem, Factory make)
{
    m_factories.insert(menuItem, std::move(make));
}

bool ScreenRegistry::contains(const QString& menuItem) const
{
    return m_factories.contains(menuItem);
}

QWidget* ScreenRegistry::create(const QString& menuItem) const
{
    const auto it = m_factories.constFind(menuItem);
    return it == m_factories.constEnd() ? nullptr : (*it)();
}
