// Compiled with the include folders and links of one layer by the layer
// check (LayerCheck.cmake): it must fail in every layer but the Qt backend.
#include <QWidget>

int QtProbe() { return sizeof(QWidget) > 0 ? 0 : 1; }
