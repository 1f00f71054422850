#include "link/FtdiBackend.h"

#include <ftdi.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace pellmora::link {

namespace {

constexpr int UsbTimeoutMilliseconds = 1000;

// The libftdi calls over one context. Chips are found by the library's own
// list of FTDI product numbers (vendor and product 0).
class LibFtdiSystem : public FtdiSystem {
public:
    LibFtdiSystem() : context_(ftdi_new()) {}
    ~LibFtdiSystem() override
    {
        close();
        if (context_)
            ftdi_free(context_);
    }
    LibFtdiSystem(const LibFtdiSystem &) = delete;
    LibFtdiSystem &operator=(const LibFtdiSystem &) = delete;

    int serialNumbers(QStringList *serials) override
    {
        int result = 0;
        forEachChip([&](libusb_device *, const QString &serial) {
            if (serial.isNull())
                result = -4; // found but not readable: no permission, most likely
            else
                serials->append(serial);
            return false;
        }, &result);
        return serials->isEmpty() ? result : int(serials->size());
    }

    int open(const QString &serial) override
    {
        int result = -3; // no chip with that serial number
        forEachChip([&](libusb_device *chip, const QString &chipSerial) {
            if (chipSerial != serial)
                return false;
            result = ftdi_usb_open_dev(context_, chip);
            // A USB call that the chip does not answer at all gives up
            // within a second instead of libftdi's five.
            context_->usb_read_timeout = UsbTimeoutMilliseconds;
            context_->usb_write_timeout = UsbTimeoutMilliseconds;
            return true;
        }, &result);
        open_ = result == 0;
        return result;
    }

    void close() override
    {
        if (!open_)
            return;
        ftdi_set_bitmode(context_, 0, BITMODE_RESET);
        ftdi_usb_close(context_);
        open_ = false;
    }

    int setBitmode(quint8 outputs, quint8 mode) override { return ftdi_set_bitmode(context_, outputs, mode); }
    int setBaudrate(int baudrate) override { return ftdi_set_baudrate(context_, baudrate); }
    int setLatencyTimer(quint8 milliseconds) override { return ftdi_set_latency_timer(context_, milliseconds); }
    int purgeBuffers() override { return ftdi_tcioflush(context_); }

    int writeData(const QByteArray &samples) override
    {
        return ftdi_write_data(context_, reinterpret_cast<const unsigned char *>(samples.constData()),
                               int(samples.size()));
    }

    int readData(QByteArray *readBack, int size) override
    {
        const qsizetype before = readBack->size();
        readBack->resize(before + size);
        const int result = ftdi_read_data(context_, reinterpret_cast<unsigned char *>(readBack->data() + before), size);
        readBack->resize(before + std::max(result, 0));
        return result;
    }

    qint64 monotonicNanos() override
    {
        using namespace std::chrono;
        return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
    }
    void sleepNanos(qint64 nanos) override { std::this_thread::sleep_for(std::chrono::nanoseconds(nanos)); }

    QString errorString() override
    {
        const char *text = context_ ? ftdi_get_error_string(context_) : nullptr;
        return text ? QString::fromLocal8Bit(text) : QStringLiteral("no FTDI library context");
    }

private:
    // Calls `visit(chip, serial)` for every FTDI chip found (serial null when
    // it cannot be read) until it returns true.
    template <typename Visit>
    void forEachChip(Visit visit, int *result)
    {
        if (!context_) {
            *result = -1;
            return;
        }
        ftdi_device_list *chips = nullptr;
        if (const int found = ftdi_usb_find_all(context_, &chips, 0, 0); found < 0) {
            *result = found;
            return;
        }
        for (ftdi_device_list *chip = chips; chip; chip = chip->next) {
            char serial[128] = {};
            const bool named = ftdi_usb_get_strings(context_, chip->dev, nullptr, 0, nullptr, 0, serial,
                                                    int(sizeof serial)) == 0;
            if (visit(chip->dev, named ? QString::fromLatin1(serial) : QString()))
                break;
        }
        ftdi_list_free(&chips);
    }

    ftdi_context *context_;
    bool open_ = false;
};

} // namespace

std::unique_ptr<FtdiSystem> RealFtdiSystem()
{
    return std::make_unique<LibFtdiSystem>();
}

} // namespace pellmora::link
