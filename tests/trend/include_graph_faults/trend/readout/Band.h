#pragma once
// A read-out part that is a widget.
#include <QWidget>
