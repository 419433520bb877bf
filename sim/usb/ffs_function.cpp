#include "sim/usb/ffs_function.h"

#include <endian.h>
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

enum : uint8_t {
    ClassMassStorage = 0x08,
    SubclassScsi = 0x06,
    ProtocolBulkOnly = 0x50,
    RequestGetMaxLun = 0xFE,
    RequestBulkOnlyReset = 0xFF,
};

struct Endpoints {
    usb_interface_descriptor interface;
    usb_endpoint_descriptor_no_audio in;
    usb_endpoint_descriptor_no_audio out;
} __attribute__((packed));

struct Descriptors {
    usb_functionfs_descs_head_v2 header;
    uint32_t fsCount;
    uint32_t hsCount;
    Endpoints fs;
    Endpoints hs;
} __attribute__((packed));

constexpr char InterfaceName[] = "Vokari recorder";

struct Strings {
    usb_functionfs_strings_head header;
    uint16_t language;
    char text[sizeof InterfaceName];
} __attribute__((packed));

Endpoints MakeEndpoints(uint16_t maxPacket) {
    Endpoints e{};
    e.interface.bLength = sizeof e.interface;
    e.interface.bDescriptorType = USB_DT_INTERFACE;
    e.interface.bNumEndpoints = 2;
    e.interface.bInterfaceClass = ClassMassStorage;
    e.interface.bInterfaceSubClass = SubclassScsi;
    e.interface.bInterfaceProtocol = ProtocolBulkOnly;
    e.interface.iInterface = 1;
    e.in.bLength = sizeof e.in;
    e.in.bDescriptorType = USB_DT_ENDPOINT;
    e.in.bEndpointAddress = 1 | USB_DIR_IN;
    e.in.bmAttributes = USB_ENDPOINT_XFER_BULK;
    e.in.wMaxPacketSize = htole16(maxPacket);
    e.out = e.in;
    e.out.bEndpointAddress = 2 | USB_DIR_OUT;
    return e;
}

bool WriteAll(int fd, const void* bytes, size_t size) {
    return write(fd, bytes, size) == static_cast<ssize_t>(size);
}

// Answers one control request of the class; anything else is refused
// (stalled), as a device without it would.
void Setup(FfsFunction* f, const usb_ctrlrequest& request) {
    bool in = (request.bRequestType & USB_DIR_IN) != 0;
    uint8_t type = request.bRequestType & (USB_TYPE_MASK | USB_RECIP_MASK);
    bool classInterface = type == (USB_TYPE_CLASS | USB_RECIP_INTERFACE);
    if (classInterface && in && request.bRequest == RequestGetMaxLun && le16toh(request.wLength) >= 1) {
        const uint8_t maxLun = 0;  // one logical unit
        WriteAll(f->ep0, &maxLun, 1);
        return;
    }
    if (classInterface && !in && request.bRequest == RequestBulkOnlyReset &&
        request.wLength == 0) {
        f->resets.fetch_add(1);
        pthread_kill(f->bulkThread, SIGUSR1);
        (void)!read(f->ep0, nullptr, 0);  // the status stage
        return;
    }
    // FunctionFS stalls ep0 on I/O against the request's direction.
    if (in)
        (void)!read(f->ep0, nullptr, 0);
    else
        (void)!write(f->ep0, nullptr, 0);
}

}  // namespace

bool FfsOpen(FfsFunction* f, const char* ffsDir, char* error, size_t errorSize) {
    char path[160];
    std::snprintf(path, sizeof path, "%s/ep0", ffsDir);
    f->ep0 = open(path, O_RDWR | O_CLOEXEC);
    if (f->ep0 < 0) {
        std::snprintf(error, errorSize, "cannot open %s: %s", path, std::strerror(errno));
        return false;
    }
    Descriptors d{};
    d.header.magic = htole32(FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
    d.header.length = htole32(sizeof d);
    d.header.flags = htole32(FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC);
    d.fsCount = htole32(3);
    d.hsCount = htole32(3);
    d.fs = MakeEndpoints(64);
    d.hs = MakeEndpoints(512);
    Strings s{};
    s.header.magic = htole32(FUNCTIONFS_STRINGS_MAGIC);
    s.header.length = htole32(sizeof s);
    s.header.str_count = htole32(1);
    s.header.lang_count = htole32(1);
    s.language = htole16(0x0409);
    std::memcpy(s.text, InterfaceName, sizeof InterfaceName);
    if (!WriteAll(f->ep0, &d, sizeof d) || !WriteAll(f->ep0, &s, sizeof s)) {
        std::snprintf(error, errorSize, "FunctionFS refused the descriptors: %s", std::strerror(errno));
        return false;
    }
    std::snprintf(path, sizeof path, "%s/ep1", ffsDir);
    f->bulkIn = open(path, O_RDWR | O_CLOEXEC);
    std::snprintf(path, sizeof path, "%s/ep2", ffsDir);
    f->bulkOut = open(path, O_RDWR | O_CLOEXEC);
    if (f->bulkIn < 0 || f->bulkOut < 0) {
        std::snprintf(error, errorSize, "cannot open the bulk endpoints in %s: %s", ffsDir,
                      std::strerror(errno));
        return false;
    }
    return true;
}

void* FfsServeEp0(void* argument) {
    auto* f = static_cast<FfsFunction*>(argument);
    usb_functionfs_event events[4];
    for (;;) {
        ssize_t n = read(f->ep0, events, sizeof events);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return nullptr;
        for (size_t i = 0; i < static_cast<size_t>(n) / sizeof events[0]; ++i) {
            switch (events[i].type) {
                case FUNCTIONFS_ENABLE:
                    f->enabled = true;
                    break;
                case FUNCTIONFS_DISABLE:
                case FUNCTIONFS_UNBIND:
                    f->enabled = false;
                    break;
                case FUNCTIONFS_SETUP:
                    Setup(f, events[i].u.setup);
                    break;
                default:
                    break;
            }
        }
    }
}

void FfsHaltBulkIn(const FfsFunction& f) {
    uint8_t none;
    (void)!read(f.bulkIn, &none, 0);
}

void FfsHaltBulkOut(const FfsFunction& f) {
    const uint8_t none = 0;
    (void)!write(f.bulkOut, &none, 0);
}
