// Placeholder: no image can be loaded yet.
#include "images/image_store.h"

uint8_t FirmwareImage[UpdateImageSize];
uint8_t BootLoaderImage[UpdateImageSize];
FirmwareStatus ImageFirmwareStatus;
BootLoaderInfo ImageBootLoaderInfo;

bool LoadFirmwareImage(const char*) { return false; }
bool LoadBootLoaderImage(const char*) { return false; }
void ImagesResetState() {}
