// Read by jemalloc when it starts, where the programs are linked with it (see CMakeLists.txt).
//
// A million-triangle scene or model fills a few hundred megabytes, and on a machine that hands
// out memory a 4 KB page at a time most of the load time goes to faulting those pages in.
// Asking for 2 MB pages (transparent huge pages, granted when the kernel allows them on
// request) cuts the faults by about a hundred times; importing a million-triangle model takes
// about half the time. It changes where memory comes from, never what is computed in it.
extern "C" {
extern const char* malloc_conf;
const char* malloc_conf = "thp:always,metadata_thp:auto";
}
