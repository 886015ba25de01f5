#pragma once

#include <QByteArray>
#include <QString>

// The ten operations of a PPLA label printer library. Texts are NUL-terminated
// UTF-8 byte strings (the system code page on Linux). Every operation returns
// 0 on success and a positive code on failure (PplaResult.h), except
// A_GetUSBBufferLen, which counts. What each argument means to the native
// driver is set out in PplaPrinter.h and PplaEncoder.h; RecordingPpla records
// the calls for tests.
class PplaApi {
public:
    virtual ~PplaApi() = default;

    // Opens a port: selection 0 with a port number written in decimal ("1" is
    // USB1 ... "6" is USB6, "0" the port of any other name), selection 12 with
    // a device path as A_GetUSBDeviceInfo gives it.
    virtual int A_CreatePrn(int selection, const char* filename) = 0;
    // Greater than 0 when at least one USB printer is present.
    virtual int A_GetUSBBufferLen() = 0;
    // Fills buf (128 bytes) with the names of the USB printers present.
    virtual int A_EnumUSB(char* buf) = 0;
    // Model name and device path of USB printer nPort (counted from 1).
    virtual int A_GetUSBDeviceInfo(int nPort, char* pDeviceName, int* pDeviceNameLen,
                                   char* pDevicePath, int* pDevicePathLen) = 0;
    // Print head heat for the strips that follow.
    virtual int A_Set_Darkness(int heat) = 0;
    // A Code 128 barcode. The third argument carries the layout's barcode width.
    virtual int A_Prn_Barcode(int x, int y, int ori, char type, int narrow, int width, int height,
                              char mode, int numeric, const char* data) = 0;
    // A line of text in a TrueType face, sent as the image idName.
    virtual int A_Prn_Text_TrueType(int x, int y, int fontHeight, const char* fontName, int orient,
                                    int fontWeight, int italic, int underline, int strikeOut,
                                    const char* idName, const char* data, int memMode) = 0;
    // Prints the strip drawn since the port opened (or since the last print-out).
    virtual int A_Print_Out(int width, int height, int copies, int amount) = 0;
    // Advances one label when nothing was printed since the port opened.
    virtual int A_Feed_Label() = 0;
    virtual int A_ClosePrn() = 0;

    // Why the last failed operation failed, in the system's words (not one of
    // the ten: the program uses it to tell the operator).
    virtual QString lastErrorText() const = 0;

    // The bytes of the last print-out since the port opened, as they were
    // handed to the port (sent or not); empty when none was made or the
    // library makes no bytes of its own. The print journal keeps their hash.
    virtual QByteArray lastPrintOut() const { return {}; }
    // After a print-out that failed: whether any of its bytes left for the
    // printer. False only when it is known that none did.
    virtual bool printOutLeft() const { return true; }
};

// The ten operations as a class that carries them out declares them, each
// defined in its .cpp file.
#define PPLA_API_OPERATIONS                                                                        \
    int A_CreatePrn(int selection, const char* filename) override;                                 \
    int A_GetUSBBufferLen() override;                                                              \
    int A_EnumUSB(char* buf) override;                                                             \
    int A_GetUSBDeviceInfo(int nPort, char* pDeviceName, int* pDeviceNameLen, char* pDevicePath,   \
                           int* pDevicePathLen) override;                                          \
    int A_Set_Darkness(int heat) override;                                                         \
    int A_Prn_Barcode(int x, int y, int ori, char type, int narrow, int width, int height,         \
                      char mode, int numeric, const char* data) override;                          \
    int A_Prn_Text_TrueType(int x, int y, int fontHeight, const char* fontName, int orient,        \
                            int fontWeight, int italic, int underline, int strikeOut,              \
                            const char* idName, const char* data, int memMode) override;           \
    int A_Print_Out(int width, int height, int copies, int amount) override;                       \
    int A_Feed_Label() override;                                                                   \
    int A_ClosePrn() override;
