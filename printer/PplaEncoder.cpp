#include "printer/PplaEncoder.h"

#include "printer/Code128.h"
#include "printer/PplaConstants.h"
#include "printer/PplaResult.h"
#include "printer/StripRenderer.h"

#include "core/Language.h"

#include <algorithm>

namespace {

constexpr int32_t kChinese = 936;

// A refusal as the operator reads it: Chinese under code page 936, English
// otherwise. The arguments follow in the same order in both.
QString said(const char* english, const char* chinese) {
    return UICodePage == kChinese ? QString::fromUtf8(chinese) : QString::fromLatin1(english);
}

int fail(QString* error, int code, const QString& text) {
    if (error)
        *error = text;
    return code;
}

// 0-9 then A-O, the one-character bar widths of a barcode record.
char widthChar(int dots) {
    return static_cast<char>(dots < 10 ? '0' + dots : 'A' + dots - 10);
}

void appendNumber(QByteArray& out, int value, int digits) {
    char buf[8];
    for (int i = digits - 1; i >= 0; --i) {
        buf[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.append(buf, digits);
}

const char hexDigits[] = "0123456789ABCDEF";

void appendHexRow(QByteArray& out, const char* row, int bytes) {
    out += "80";
    out += hexDigits[(bytes >> 4) & 0xf];
    out += hexDigits[bytes & 0xf];
    for (int i = 0; i < bytes; ++i) {
        const auto b = static_cast<unsigned char>(row[i]);
        out += hexDigits[b >> 4];
        out += hexDigits[b & 0xf];
    }
    out += Ppla::CR;
}

void appendRepeat(QByteArray& out, int times) {
    out += "0000FF";
    out += hexDigits[(times >> 4) & 0xf];
    out += hexDigits[times & 0xf];
    out += Ppla::CR;
}

bool validImageName(const QByteArray& name) {
    if (name.isEmpty() || name.size() > Ppla::MaxImageNameLength)
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) { return c > ' ' && c < 127; });
}

} // namespace

PplaEncoder::PplaEncoder(EncoderOptions options, TextRasterCache* cache)
    : options_(options), cache_(cache ? cache : &ownCache_) {}

void PplaEncoder::clear() {
    images_.clear();
    records_.clear();
    drawn_.clear();
    drawnNames_.clear();
}

int PplaEncoder::note(DrawnItem::Kind kind, const QRect& box, const QByteArray& name) {
    drawn_.append({kind, box, {}});
    drawnNames_.append(name);
    return PplaResult::Ok;
}

int PplaEncoder::refuse(DrawnItem::Kind kind, QString* error, int code, const QString& text) {
    drawn_.append({kind, {}, text});
    drawnNames_.append(QByteArray());
    return fail(error, code, text);
}

QByteArray PplaEncoder::feedCommand() {
    return QByteArrayLiteral("\x02"
                             "F\r");
}

int PplaEncoder::setDarkness(int heat, QString* error) {
    if (heat < Ppla::MinDarkness || heat > Ppla::MaxDarkness)
        return fail(error, PplaResult::InvalidArgument,
                    said("darkness %1 is outside %2-%3", "浓度 %1 超出 %2-%3 的范围")
                        .arg(heat)
                        .arg(Ppla::MinDarkness)
                        .arg(Ppla::MaxDarkness));
    darkness_ = heat;
    return PplaResult::Ok;
}

int PplaEncoder::addBarcode(const BarcodeArgs& a, QString* error) {
    if (a.type != 'e' && a.type != 'E')
        return refuse(
            DrawnItem::Barcode, error, PplaResult::InvalidArgument,
            said("barcode type %1 is not Code 128 (e or E)", "条码类型 %1 不是 Code 128（e 或 E）")
                .arg(int(a.type)));
    if (a.mode != 'N' || a.numeric != 0)
        return refuse(DrawnItem::Barcode, error, PplaResult::InvalidArgument,
                      said("barcode mode %1/%2 is not N/0", "条码模式 %1/%2 不是 N/0")
                          .arg(int(a.mode))
                          .arg(a.numeric));
    const int module = a.narrow * a.widthSetting;
    if (a.narrow < 1 || a.widthSetting < 1 || module > Ppla::MaxBarWidthDots)
        return refuse(
            DrawnItem::Barcode, error, PplaResult::InvalidArgument,
            said("bar width %1 x %2 dots is outside 1-%3", "条宽 %1 x %2 点超出 1-%3 的范围")
                .arg(a.narrow)
                .arg(a.widthSetting)
                .arg(Ppla::MaxBarWidthDots));
    if (a.wide < 0 || a.wide > Ppla::MaxBarWidthDots)
        return refuse(DrawnItem::Barcode, error, PplaResult::InvalidArgument,
                      said("wide bar width %1 is outside 0-%2", "宽条宽度 %1 超出 0-%2 的范围")
                          .arg(a.wide)
                          .arg(Ppla::MaxBarWidthDots));
    const int heightUnits = Ppla::dotsToUnits(a.height, options_.dpi);
    if (heightUnits < 1 || heightUnits > 999)
        return refuse(DrawnItem::Barcode, error, PplaResult::InvalidArgument,
                      said("barcode height %1 dots is outside the printer's range",
                           "条码高度 %1 点超出打印机的范围")
                          .arg(a.height));
    if (a.x < 0)
        return refuse(
            DrawnItem::Barcode, error, PplaResult::InvalidArgument,
            said("barcode left %1 is outside the strip", "条码左边距 %1 超出标签条").arg(a.x));
    if (a.data.isEmpty())
        return note(DrawnItem::Barcode, {}); // a symbol without data: nothing is drawn
    QString why;
    const QByteArray field = Code128::encodeField(a.data, &why);
    if (field.isEmpty())
        return refuse(DrawnItem::Barcode, error, PplaResult::InvalidArgument,
                      UICodePage == kChinese ? QString::fromUtf8("Code 128 只能表示 7 位字符")
                                             : why);
    const int rowUnits = Ppla::dotsToUnits(std::max(0, a.y - a.height), options_.dpi);
    const int colUnits = Ppla::dotsToUnits(a.x, options_.dpi);
    if (rowUnits > 9999 || colUnits > 9999)
        return refuse(
            DrawnItem::Barcode, error, PplaResult::InvalidArgument,
            said("barcode position %1,%2 is outside the strip", "条码位置 %1,%2 超出标签条")
                .arg(a.x)
                .arg(a.y));
    QByteArray rec;
    rec.reserve(16 + field.size());
    rec += '1';
    rec += a.type;
    rec += widthChar(a.wide);
    rec += widthChar(module);
    appendNumber(rec, heightUnits, 3);
    appendNumber(rec, rowUnits, 4);
    appendNumber(rec, colUnits, 4);
    rec += field;
    rec += Ppla::CR;
    records_.append(rec);
    // The bars stand y dots above the label's bottom edge and reach down by
    // the height; each module is module dots wide. The modules are counted as
    // the virtual printer draws the data (libzint's shortest encoding), so that
    // a preview's boxes fit its picture. The field sent can be longer: data
    // that needs SHIFTs for "&" or control characters gets a symbol per SHIFT,
    // and the printer's bars are that much wider.
    const int modules = static_cast<int>(code128Modules(a.data).size());
    return note(DrawnItem::Barcode,
                QRect(a.x, options_.labelHeightDots - a.y, modules * module, a.height));
}

QByteArray PplaEncoder::imageDownload(const QByteArray& name, const MonoBitmap& bmp) {
    QByteArray out;
    out.reserve(16 + bmp.height * (6 + 2 * bmp.rowBytes));
    out += Ppla::STX;
    out += "IAF";
    out += name;
    out += Ppla::CR;
    // Bottom row first; identical rows in a row are sent once and repeated.
    int y = bmp.height - 1;
    while (y >= 0) {
        const char* row = bmp.bits.constData() + y * bmp.rowBytes;
        appendHexRow(out, row, bmp.rowBytes);
        int same = 0;
        while (y - same - 1 >= 0 && same < 255 &&
               std::equal(row, row + bmp.rowBytes,
                          bmp.bits.constData() + (y - same - 1) * bmp.rowBytes))
            ++same;
        if (same > 0)
            appendRepeat(out, same);
        y -= same + 1;
    }
    out += "FFFF";
    out += Ppla::CR;
    return out;
}

int PplaEncoder::addText(const TextArgs& a, QString* error) {
    if (a.orient != 1)
        return refuse(DrawnItem::Text, error, PplaResult::InvalidArgument,
                      said("text orientation %1: images print upright only (1)",
                           "文字方向 %1：图像只能正向打印（1）")
                          .arg(a.orient));
    if (a.memMode != 1)
        return refuse(DrawnItem::Text, error, PplaResult::InvalidArgument,
                      said("memory %1: images are kept in printer RAM only (1)",
                           "存储器 %1：图像只能存放在打印机内存中（1）")
                          .arg(a.memMode));
    if (!validImageName(a.name))
        return refuse(DrawnItem::Text, error, PplaResult::InvalidArgument,
                      said("image name \"%1\" is not 1-%2 printable characters",
                           "图像名“%1”不是 1-%2 个可打印字符")
                          .arg(QString::fromLatin1(a.name))
                          .arg(Ppla::MaxImageNameLength));
    if (a.size < 1)
        return refuse(DrawnItem::Text, error, PplaResult::InvalidArgument,
                      said("text size %1 dots is below 1", "文字大小 %1 点小于 1").arg(a.size));
    const RasterText& raster =
        cache_->get({a.fontName, a.size, a.weight, a.italic, a.underline, a.strikeOut, a.text});
    // A second text under the same name replaces the first, as in printer memory.
    for (qsizetype i = 0; i < images_.size(); ++i) {
        if (images_[i].name == a.name) {
            records_.removeOne(images_[i].placement);
            images_.removeAt(i);
            break;
        }
    }
    const qsizetype replaced = drawnNames_.indexOf(a.name);
    if (replaced >= 0) {
        drawn_.removeAt(replaced);
        drawnNames_.removeAt(replaced);
    }
    if (raster.ink.isEmpty())
        return note(DrawnItem::Text, {});
    // Cut the ink to the label: rows above its top or below its bottom edge,
    // columns left of the strip or beyond the widest image row.
    const int labelH = options_.labelHeightDots;
    const int inkTop = a.y + raster.offsetY;
    const int inkLeft = a.x + raster.offsetX;
    const QRect inkBox(inkLeft, inkTop, raster.ink.width, raster.ink.height);
    const int top = std::max(inkTop, 0);
    const int bottom = std::min(inkTop + raster.ink.height, labelH);
    const int left = std::max(inkLeft, 0);
    const int right = std::min(inkLeft + raster.ink.width, left + Ppla::MaxImageRowBytes * 8);
    if (top >= bottom || left >= right)
        return note(DrawnItem::Text, inkBox, a.name);
    const bool whole = top == inkTop && bottom == inkTop + raster.ink.height && left == inkLeft &&
                       right == inkLeft + raster.ink.width;
    const QByteArray download =
        whole ? imageDownload(a.name, raster.ink)
              : imageDownload(a.name, raster.ink.copy(left - inkLeft, top - inkTop, right - left,
                                                      bottom - top));
    const int rowUnits = Ppla::dotsToUnits(labelH - bottom, options_.dpi);
    const int colUnits = Ppla::dotsToUnits(left, options_.dpi);
    if (colUnits > 9999)
        return refuse(DrawnItem::Text, error, PplaResult::InvalidArgument,
                      said("text position %1,%2 is outside the strip", "文字位置 %1,%2 超出标签条")
                          .arg(a.x)
                          .arg(a.y));
    QByteArray rec = "1Y11000";
    appendNumber(rec, rowUnits, 4);
    appendNumber(rec, colUnits, 4);
    rec += a.name;
    rec += Ppla::CR;
    images_.append({a.name, download, rec});
    records_.append(rec);
    return note(DrawnItem::Text, inkBox, a.name);
}

int PplaEncoder::printOut(int width, int height, int copies, int amount, QByteArray* bytes,
                          QString* error) {
    if (width < 1 || width > 9 || height < 1 || height > 9)
        return fail(error, PplaResult::InvalidArgument,
                    said("dot size %1 x %2 is outside 1-9", "点大小 %1 x %2 超出 1-9 的范围")
                        .arg(width)
                        .arg(height));
    const long long quantity = static_cast<long long>(copies) * amount;
    if (copies < 1 || amount < 1 || quantity > 9999)
        return fail(error, PplaResult::InvalidArgument,
                    said("quantity %1 x %2 is outside 1-9999", "数量 %1 x %2 超出 1-9999 的范围")
                        .arg(copies)
                        .arg(amount));
    QByteArray out;
    qsizetype size = 64;
    for (const Image& im : images_)
        size += im.download.size();
    for (const QByteArray& r : records_)
        size += r.size();
    out.reserve(size);
    out += Ppla::STX;
    out += 'm';
    out += Ppla::CR;
    for (const Image& im : images_)
        out += im.download;
    out += Ppla::STX;
    out += 'L';
    out += Ppla::CR;
    out += 'D';
    out += static_cast<char>('0' + width);
    out += static_cast<char>('0' + height);
    out += Ppla::CR;
    if (darkness_ >= 0) {
        out += 'H';
        appendNumber(out, darkness_, 2);
        out += Ppla::CR;
    }
    for (const QByteArray& r : records_)
        out += r;
    out += 'Q';
    appendNumber(out, static_cast<int>(quantity), 4);
    out += Ppla::CR;
    out += 'E';
    out += Ppla::CR;
    clear();
    *bytes = std::move(out);
    return PplaResult::Ok;
}
