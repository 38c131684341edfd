"""The CRC-16 of LZH archives (polynomial 0xA001, reflected, starting at 0),
for the scripts that make LZH test fixtures."""


def crc16(data):
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc
