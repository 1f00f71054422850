#include "link/FtdiBackend.h"

#include <ftdi.h>

namespace pellmora::link {

namespace {

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
        readBack->resize(size);
        ftdi_transfer_control *read =
            ftdi_read_data_submit(context_, reinterpret_cast<unsigned char *>(readBack->data()), size);
        if (!read)
            return -1;
        return finish(read, readBack);
    }

    int writeAndRead(const QByteArray &samples, QByteArray *readBack, int readSize) override
    {
        readBack->resize(readSize);
        QByteArray out = samples; // the library wants a buffer it may write to
        ftdi_transfer_control *read =
            ftdi_read_data_submit(context_, reinterpret_cast<unsigned char *>(readBack->data()), readSize);
        if (!read)
            return -1;
        ftdi_transfer_control *write =
            ftdi_write_data_submit(context_, reinterpret_cast<unsigned char *>(out.data()), int(out.size()));
        if (!write) {
            timeval soon{0, 1000};
            ftdi_transfer_data_cancel(read, &soon);
            return -1;
        }
        const int written = ftdi_transfer_data_done(write);
        const int result = finish(read, readBack);
        return written < 0 ? written : result;
    }

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

    static int finish(ftdi_transfer_control *transfer, QByteArray *readBack)
    {
        const int result = ftdi_transfer_data_done(transfer);
        if (result >= 0)
            readBack->resize(result);
        return result;
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
