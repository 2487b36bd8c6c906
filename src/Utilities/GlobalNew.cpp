// Routes the program's global new and delete to the system allocator until the memory
// manager is in place.
