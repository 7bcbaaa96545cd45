// The data-source administrator and catalog live here.
