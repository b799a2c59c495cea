#pragma once
// The colours: the one file of the graph the recorder and the recordings may take.
#include <QRgb>
