// The local table engine lives here.
