/* The disc's libOpenGL.so.0: no code of its own. The toolkit links
   libOpenGL.so.0, the GL dispatch's front for OpenGL without GLX, which a
   reader's system may lack; and a front from another release of the dispatch
   than the reader's libGLdispatch.so.0 calls the wrong functions (GL then
   reports no version and the web view draws without it). This library only
   needs the reader's libGL.so.1, which exports every OpenGL function the
   toolkit calls: each call resolves there, in the reader's own dispatch. */
