#ifndef ZEBPLOT_ZEBPLOTDBG_H
#define ZEBPLOT_ZEBPLOTDBG_H

/// Sets up the assertion and trace layer when the library is loaded.
///
/// The library holds exactly one static instance.  Its constructor installs
/// the callback record of zebguibase and initialises the layer so that a failed
/// assertion stops the program, takes no crash dump and allows messages of up
/// to 3072 characters.  The layer is deliberately left initialised when the
/// instance is destroyed: objects destroyed later during process exit must
/// still be able to report a failed assertion.
class zebplotDbg
{
public:
    zebplotDbg();

    zebplotDbg(const zebplotDbg&) = delete;
    zebplotDbg& operator=(const zebplotDbg&) = delete;
};

#endif
