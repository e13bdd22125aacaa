// The application image's entry, unmangled so that Sim::FirmwareImage finds it (the application's
// main is renamed on the host, where the simulator owns the process entry).
int VelmoraApplicationMain();

extern "C" int VelmoraFirmwareMain()
{
    return VelmoraApplicationMain();
}
