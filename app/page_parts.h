#pragma once

// Small pieces that the inspection pages share: their buttons, bold titles and the legend of
// the new-object highlight.

class QLabel;
class QPushButton;
class QString;
class QWidget;

namespace scourwell::app {

QPushButton* PageButton(const char* name, const char* caption);
QLabel* PageTitle(const QString& text);
// A small box in the tooltip colour and its caption.
QWidget* NewObjectsLegend(const char* caption);

}  // namespace scourwell::app
