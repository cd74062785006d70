/* The shared library needs one source of its own; all code comes from graphics_impl. */
int graphics_export_anchor;
