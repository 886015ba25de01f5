#include "settings/uBarcode.h"

TLabelLayout LabelLayout;
