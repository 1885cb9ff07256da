// The class and interface ids of the media objects, each written in its textual form. The
// platform's own ids keep their standard values; the chip vendor's filters and their
// configuration interfaces keep the ids the players ask for.
#pragma once

#include "platform/media/guid.h"

// The object runtime.
inline constexpr IID IID_IUnknown = platform::GuidLiteral("00000000-0000-0000-C000-000000000046");
inline constexpr IID IID_IClassFactory = platform::GuidLiteral("00000001-0000-0000-C000-000000000046");
inline constexpr IID IID_IPersist = platform::GuidLiteral("0000010C-0000-0000-C000-000000000046");
inline constexpr IID IID_IDispatch = platform::GuidLiteral("00020400-0000-0000-C000-000000000046");

// The filter graph and its filters.
inline constexpr IID IID_IPin = platform::GuidLiteral("56A86891-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IEnumPins = platform::GuidLiteral("56A86892-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IEnumFilters = platform::GuidLiteral("56A86893-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IBaseFilter = platform::GuidLiteral("56A86895-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IReferenceClock = platform::GuidLiteral("56A86897-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IMediaFilter = platform::GuidLiteral("56A86899-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IFilterGraph = platform::GuidLiteral("56A8689F-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IGraphBuilder = platform::GuidLiteral("56A868A9-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IMediaControl = platform::GuidLiteral("56A868B1-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IMediaPosition = platform::GuidLiteral("56A868B2-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IBasicAudio = platform::GuidLiteral("56A868B3-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IVideoWindow = platform::GuidLiteral("56A868B4-0AD4-11CE-B03A-0020AF0BA770");

// The kinds of data a pin connection carries.
inline constexpr GUID MEDIATYPE_Video = platform::GuidLiteral("73646976-0000-0010-8000-00AA00389B71");
inline constexpr GUID MEDIATYPE_Audio = platform::GuidLiteral("73647561-0000-0010-8000-00AA00389B71");
inline constexpr GUID MEDIATYPE_Stream = platform::GuidLiteral("E436EB83-524F-11CE-9F53-0020AF0BA770");

inline constexpr CLSID CLSID_FilterGraph = platform::GuidLiteral("E436EBB3-524F-11CE-9F53-0020AF0BA770");
// The platform's audio renderer, "Audio Renderer" in a graph.
inline constexpr CLSID CLSID_AudioRender = platform::GuidLiteral("E30629D1-27E5-11CE-875D-00608CB78066");

// The chip vendor's video renderer, "TCC Video Renderer", and its display interface (the
// picture's rectangle on the screen).
inline constexpr CLSID CLSID_VRenderer = platform::GuidLiteral("CD0FB4F0-69F3-4FA5-B42A-08DC41516B3A");
inline constexpr IID IID_IVRendererDisplay = platform::GuidLiteral("ADF85A65-358F-4FCD-86B1-B8F3D6540324");

// The chip vendor's equaliser, "TCC DEQ Filter", and the interface that takes its preset.
inline constexpr CLSID CLSID_DEQFilter = platform::GuidLiteral("68FFA979-21CD-45E4-81DA-8440C534DF7C");
inline constexpr IID IID_IDEQSettings = platform::GuidLiteral("C82D6A7B-7FDA-49A9-87C3-7D28F65439C7");

// The chip vendor's camera capture filter, "TCCCAMFilter", and its input-size interface.
inline constexpr CLSID CLSID_CAM = platform::GuidLiteral("5BC39BDC-86AB-471B-8754-7E5EEB8770F5");
inline constexpr IID IID_ICamInput = platform::GuidLiteral("2C3F6772-AF30-4784-80D6-2FF146194995");

// The T-DMB filters, with the names they are added under.
inline constexpr CLSID CLSID_TelecastTuner = platform::GuidLiteral("9BE304DD-E6E0-4577-A203-A07F298D11B2");      // "TCC TELECASTTune"
inline constexpr CLSID CLSID_InfiniteTee = platform::GuidLiteral("022B8142-0946-11CF-BCB1-444553540000");        // "TCC Infinite Filter"
inline constexpr CLSID CLSID_MP2Decoder = platform::GuidLiteral("7003B1E2-09E9-400D-BAEA-0E580414D6EF");         // "TCC MP2Dec Filter"
inline constexpr CLSID CLSID_PadParser = platform::GuidLiteral("587F3E33-1FD5-4696-AF00-F0FF1A013481");          // "TCC PAD Praser"
inline constexpr CLSID CLSID_DmbSystemParser = platform::GuidLiteral("AF0A6298-0CDD-4A28-A947-81FDF4385B05");    // "Tcc DMB System Parser"
inline constexpr CLSID CLSID_H264Decoder = platform::GuidLiteral("77F83457-F555-4C77-94D2-C57B54A235EE");        // "TCC H264Dec Filter"
inline constexpr CLSID CLSID_BsacDecoder = platform::GuidLiteral("F778349C-5942-4B55-8FC7-99C20243792D");        // "TCC BSACDec Filter"
inline constexpr CLSID CLSID_EaacPlusDecoder = platform::GuidLiteral("2A28C932-27C6-4120-A429-EEB3E30EFECC");    // "TCC EAACPLUSDec Filter"

// Their configuration interfaces.
inline constexpr IID IID_ITunerControl = platform::GuidLiteral("BEA39A5D-A95E-4FC0-8789-1AC03CA8EC54");
inline constexpr IID IID_IMP2DecoderSettings = platform::GuidLiteral("90A9A741-FE57-47E0-B09D-E2D4EA919A61");
inline constexpr IID IID_IPadParserSettings = platform::GuidLiteral("3D3DE253-CA5A-4275-A9B4-8E451110C217");
inline constexpr IID IID_IBsacDecoderSettings = platform::GuidLiteral("9BD97148-E5ED-47FD-B446-28353B6326C9");
inline constexpr IID IID_IEaacPlusDecoderSettings = platform::GuidLiteral("FE0B7EE4-B110-4C87-B3B9-15EE635D048F");
inline constexpr IID IID_ISystemParserSettings = platform::GuidLiteral("1A45DE12-44CC-40CC-896B-AC206AE35A0B");
inline constexpr IID IID_IH264DecoderSettings = platform::GuidLiteral("FF0A4E95-A8AF-4F4E-9453-BC8BEA5826DE");
