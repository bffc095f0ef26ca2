// Linked against the real libhidapi-hidraw and run with libhidsim.so preloaded:
// lists the devices and asks the first one for its version.
#include <hidapi/hidapi.h>

#include <cstdio>

int main()
{
    if (hid_init() != 0)
        return 1;
    hid_device_info *list = hid_enumerate(0, 0);
    for (hid_device_info *d = list; d; d = d->next) {
        std::printf("%s %04x:%04x", d->path, d->vendor_id, d->product_id);
        if (d == list) {
            hid_device *dev = hid_open_path(d->path);
            if (!dev)
                return 2;
            unsigned char buf[65] = {0x05, 0, 0, 0, 0, 0x02, 0x03};
            if (hid_send_feature_report(dev, buf, sizeof buf) != 65
                || hid_get_feature_report(dev, buf, sizeof buf) != 65)
                return 3;
            buf[64] = 0;
            std::printf(" %s", reinterpret_cast<const char *>(buf));
            hid_close(dev);
        }
        std::printf("\n");
    }
    hid_free_enumeration(list);
    return 0;
}
