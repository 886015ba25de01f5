#pragma once

#include <QByteArray>

struct StripPlan;

// A strip plan as compact JSON, for the print journal: the port, the darkness,
// the records and, for each label, where its barcode and text go and what
// they say. {"port":"USB1","portNumber":1,"darkness":12,"records":[{"id":1,
// "text":"VA000001"},...],"labels":[{"barcode":{"x":..,"y":..,"moduleWidth":..,
// "height":..,"content":"000001"},"text":{"x":..,"y":..,"height":..,"font":..,
// "weight":400,"image":"TX1","text":"SN:VA000001"}},...]}
QByteArray stripPlanJson(const StripPlan& plan);
