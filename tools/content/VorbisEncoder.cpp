#include <vorbis/vorbisenc.h>

#include <cstring>

#include "tools/content/Sounds.h"

namespace qmc {

std::vector<uint8_t> EncodeVorbis(const std::vector<float>& pcm, int channels, int rate, float quality)
{
    std::vector<uint8_t> out;
    if (channels <= 0 || pcm.size() % channels)
        return out;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0)
    {
        vorbis_info_clear(&vi);
        return out;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 0x514D3344); // fixed serial: same input, same bytes
    auto put = [&](const ogg_page& pg) {
        out.insert(out.end(), pg.header, pg.header + pg.header_len);
        out.insert(out.end(), pg.body, pg.body + pg.body_len);
    };
    ogg_packet h0, h1, h2;
    vorbis_analysis_headerout(&vd, &vc, &h0, &h1, &h2);
    ogg_stream_packetin(&os, &h0);
    ogg_stream_packetin(&os, &h1);
    ogg_stream_packetin(&os, &h2);
    ogg_page pg;
    while (ogg_stream_flush(&os, &pg))
        put(pg);

    const size_t frames = pcm.size() / channels;
    const size_t chunk = 4096;
    bool eos = false;
    for (size_t pos = 0; !eos;)
    {
        size_t n = frames - pos < chunk ? frames - pos : chunk;
        if (n == 0)
        {
            vorbis_analysis_wrote(&vd, 0);
        }
        else
        {
            float** buf = vorbis_analysis_buffer(&vd, int(n));
            for (size_t i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c)
                    buf[c][i] = pcm[(pos + i) * channels + c];
            vorbis_analysis_wrote(&vd, int(n));
            pos += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1)
        {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op))
            {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &pg))
                {
                    put(pg);
                    if (ogg_page_eos(&pg))
                        eos = true;
                }
            }
        }
        if (n == 0 && !eos)
        {
            while (ogg_stream_flush(&os, &pg))
            {
                put(pg);
                if (ogg_page_eos(&pg))
                    eos = true;
            }
            eos = true;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

} // namespace qmc
