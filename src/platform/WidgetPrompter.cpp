#include "WidgetPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {

QWidget* parentWindow()
{
    return QApplication::activeWindow();
}

} // namespace

msg::Answer WidgetPrompter::message(const msg::Message& m)
{
    QMessageBox box(parentWindow());
    box.setWindowTitle(m.title);
    box.setText(m.text);
    switch (m.icon) {
    case msg::Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case msg::Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case msg::Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case msg::Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case msg::Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    switch (m.buttons) {
    case msg::Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case msg::Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case msg::Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case msg::Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return msg::Answer::Ok;
    case QMessageBox::Yes:
        return msg::Answer::Yes;
    case QMessageBox::No:
        return msg::Answer::No;
    default:
        return msg::Answer::Cancel;
    }
}

QString WidgetPrompter::openFileName(const QString& title, const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileName(parentWindow(), title, folder, filter);
}

QString WidgetPrompter::saveFileName(const QString& title, const QString& suggested, const QString& filter)
{
    return QFileDialog::getSaveFileName(parentWindow(), title, suggested, filter);
}

std::optional<QString> WidgetPrompter::inputText(const QString& title, const QString& prompt, const QString& initial)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parentWindow(), title, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}
