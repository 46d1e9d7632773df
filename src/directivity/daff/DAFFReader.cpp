#include "directivity/daff/DAFFReader.h"

#include "directivity/daff/DAFFReaderImpl.h"

DAFFReader* DAFFReader::create()
{
    return new DAFFReaderImpl();
}
