// A small library without URLDownloadToFileA: the library service's test
// subject, and, under the download service's name, a service that lacks its
// function.
extern "C" int QuorvelProbe() { return 1; }
