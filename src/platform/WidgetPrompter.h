#pragma once

#include "app/MessageLayer.h"

// The message layer on real widgets: QMessageBox, QFileDialog, QInputDialog.
class WidgetPrompter : public msg::Prompter
{
public:
    msg::Answer message(const msg::Message& m) override;
    QString openFileName(const QString& title, const QString& folder, const QString& filter) override;
    QString saveFileName(const QString& title, const QString& suggested, const QString& filter) override;
    std::optional<QString> inputText(const QString& title, const QString& prompt, const QString& initial) override;
};
