// Starting GTK without its OpenGL probe.
#pragma once

namespace suite {

// GDK on X11 loads the whole OpenGL stack when it opens the display, only to
// pick its visuals; that is about half of what an empty window costs to
// start, and the suite draws nothing with OpenGL.  Made before GTK starts,
// this turns the probe off through GDK_GL (unless the person set GDK_GL);
// Restore(), once GTK has started, puts the environment back as it was, so
// the programs we start see what we were given.  GDK reads the variable
// only while it starts.
class SkipGlProbe {
  public:
    SkipGlProbe();
    ~SkipGlProbe() { Restore(); }
    SkipGlProbe(const SkipGlProbe&) = delete;
    SkipGlProbe& operator=(const SkipGlProbe&) = delete;

    void Restore();

  private:
    bool set_ = false;
};

}  // namespace suite
