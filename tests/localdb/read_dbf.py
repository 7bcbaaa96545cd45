# Prints a dBase table as python3-dbf reads it: the code page, then one JSON line per row.
import json
import sys

import dbf

table = dbf.Table(sys.argv[1])
table.open()
print(table.codepage)
for record in table:
    values = []
    for value in record:
        if isinstance(value, str):
            value = value.rstrip()
        elif hasattr(value, "isoformat"):
            value = value.isoformat()
        values.append(value)
    print(json.dumps(values, ensure_ascii=False, default=str))
