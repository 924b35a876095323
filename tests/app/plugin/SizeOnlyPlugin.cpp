// A viewer plug-in for the tests that exports nothing but a size of 0 x 0.
extern "C" {

void GetPictureSize(const char *fileName,
                    const char *upperExtension,
                    int wantedWidth,
                    int wantedHeight,
                    int *width,
                    int *height)
{
    static_cast<void>(fileName);
    static_cast<void>(upperExtension);
    static_cast<void>(wantedWidth);
    static_cast<void>(wantedHeight);
    *width = 0;
    *height = 0;
}

} // extern "C"
