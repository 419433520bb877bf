#include "sim/usb/gadget_configfs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr char ConfigfsRoot[] = "/sys/kernel/config";
constexpr char GadgetName[] = "vokari";
// A configfs gadget's usual identity; the updater finds the recorder by its
// INQUIRY strings, not by these.
constexpr char VendorId[] = "0x1d6b";
constexpr char ProductId[] = "0x0104";

bool WriteFile(const char* path, const char* text) {
    int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    size_t length = std::strlen(text);
    bool ok = write(fd, text, length) == static_cast<ssize_t>(length);
    return close(fd) == 0 && ok;
}

bool WriteAt(const char* dir, const char* name, const char* text) {
    char path[256];
    // A cut path would name another file: refuse it.
    int n = std::snprintf(path, sizeof path, "%s/%s", dir, name);
    return n > 0 && static_cast<size_t>(n) < sizeof path && WriteFile(path, text);
}

bool MakeDir(const char* path) { return mkdir(path, 0755) == 0 || errno == EEXIST; }

bool FirstUdc(char* name, size_t size) {
    DIR* dir = opendir("/sys/class/udc");
    if (dir == nullptr) return false;
    bool found = false;
    while (dirent* entry = readdir(dir)) {
        size_t length = std::strlen(entry->d_name);
        if (entry->d_name[0] == '.' || length >= size) continue;
        std::memcpy(name, entry->d_name, length + 1);
        found = true;
        break;
    }
    closedir(dir);
    return found;
}

bool ConfigfsMounted() {
    char path[128];
    std::snprintf(path, sizeof path, "%s/usb_gadget", ConfigfsRoot);
    struct stat s{};
    return stat(path, &s) == 0;
}

}  // namespace

bool GadgetCreate(GadgetSetup* s, char* error, size_t errorSize) {
    if (s->udc != nullptr)
        std::snprintf(s->udcName, sizeof s->udcName, "%s", s->udc);
    else if (!FirstUdc(s->udcName, sizeof s->udcName)) {
        std::snprintf(error, errorSize, "no USB device controller in /sys/class/udc (dummy_hcd loaded?)");
        return false;
    }
    std::snprintf(s->gadgetDir, sizeof s->gadgetDir, "%s/usb_gadget/%s", ConfigfsRoot, GadgetName);
    std::snprintf(s->ffsDir, sizeof s->ffsDir, "/dev/ffs-%s", GadgetName);
    if (!ConfigfsMounted() && mount("none", ConfigfsRoot, "configfs", 0, nullptr) != 0) {
        std::snprintf(error, errorSize, "cannot mount configfs at %s: %s", ConfigfsRoot,
                      std::strerror(errno));
        return false;
    }
    GadgetRemove(*s);  // what an earlier run may have left

    const char* g = s->gadgetDir;
    char path[256], link[256];
    bool ok = MakeDir(g) && WriteAt(g, "idVendor", VendorId) && WriteAt(g, "idProduct", ProductId) &&
              WriteAt(g, "bcdUSB", "0x0200") && WriteAt(g, "bcdDevice", "0x0100");
    std::snprintf(path, sizeof path, "%s/strings/0x409", g);
    ok = ok && MakeDir(path) && WriteAt(path, "manufacturer", "Vokari") &&
         WriteAt(path, "product", "Vokari recorder (simulated)") &&
         WriteAt(path, "serialnumber", "0000000001");
    std::snprintf(path, sizeof path, "%s/configs/c.1", g);
    ok = ok && MakeDir(path) && WriteAt(path, "MaxPower", "100");
    std::snprintf(path, sizeof path, "%s/configs/c.1/strings/0x409", g);
    ok = ok && MakeDir(path) && WriteAt(path, "configuration", "Mass storage");
    std::snprintf(path, sizeof path, "%s/functions/ffs.%s", g, GadgetName);
    std::snprintf(link, sizeof link, "%s/configs/c.1/ffs.%s", g, GadgetName);
    ok = ok && MakeDir(path) && (symlink(path, link) == 0 || errno == EEXIST);
    if (!ok) {
        std::snprintf(error, errorSize, "cannot make the gadget in %s: %s (libcomposite and "
                      "usb_f_fs loaded?)", g, std::strerror(errno));
        return false;
    }
    if (!MakeDir(s->ffsDir) || mount(GadgetName, s->ffsDir, "functionfs", 0, nullptr) != 0) {
        std::snprintf(error, errorSize, "cannot mount FunctionFS at %s: %s", s->ffsDir,
                      std::strerror(errno));
        return false;
    }
    return true;
}

bool GadgetPlug(const GadgetSetup& s) { return WriteAt(s.gadgetDir, "UDC", s.udcName); }

bool GadgetUnplug(const GadgetSetup& s) { return WriteAt(s.gadgetDir, "UDC", "\n"); }

unsigned GadgetMaxPacket(const GadgetSetup& s) {
    char path[160], speed[32] = {};
    std::snprintf(path, sizeof path, "/sys/class/udc/%s/current_speed", s.udcName);
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ssize_t n = read(fd, speed, sizeof speed - 1);
        close(fd);
        if (n > 0 && std::strncmp(speed, "full-speed", 10) == 0) return 64;
    }
    return 512;
}

void GadgetRemove(const GadgetSetup& s) {
    char path[256];
    const char* g = s.gadgetDir;
    std::snprintf(path, sizeof path, "%s/UDC", g);
    if (access(path, F_OK) != 0) {
        umount(s.ffsDir);
        return;
    }
    GadgetUnplug(s);
    umount(s.ffsDir);
    rmdir(s.ffsDir);
    std::snprintf(path, sizeof path, "%s/configs/c.1/ffs.%s", g, GadgetName);
    unlink(path);
    const char* dirs[] = {"configs/c.1/strings/0x409", "configs/c.1", "functions/ffs.vokari",
                          "strings/0x409"};
    for (const char* d : dirs) {
        std::snprintf(path, sizeof path, "%s/%s", g, d);
        rmdir(path);
    }
    rmdir(g);
}
