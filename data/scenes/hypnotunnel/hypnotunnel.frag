#version 330
// A hypnotic tunnel of rings flying towards the viewer.
//
// The picture is centred at iOffset and scaled by iScale (in picture heights). A distance d
// from the centre is measured with one of five ring shapes (0 circle, 1 square, 2 diamond,
// 3 hexagon, 4 flower), blended from iShapes.x to iShapes.y by iShapes.z, and turned into a
// tunnel depth z = iRingRadius / d. Rings sit every iRingDistance in depth and move with
// iTime; three spiral layers wind iSpirality.xyz times round per ring, all scaled by
// iSpirality.w. iRingStrength sharpens the ring lines, iNumRings is how many rings are seen
// before the tunnel fades into its glowing core (iGlowStrength: the larger, the smaller the
// core).
// Colour runs from iColStart at the mouth to iColEnd deep inside, iColMix scaling the blend.
// The tunnel twists from iRotate.x at its core to iRotate.y at the edge of the picture.

uniform vec2 iResolution;
uniform float iTime;
uniform float iNumRings;
uniform vec4 iSpirality;
uniform float iRingStrength;
uniform float iGlowStrength;
uniform vec3 iShapes;
uniform vec3 iColStart;
uniform vec3 iColEnd;
uniform float iColMix;
uniform float iRingRadius;
uniform float iRingDistance;
uniform vec2 iOffset;
uniform vec2 iScale;
uniform vec2 iRotate;

in vec2 uv;
out vec4 FragColor;

const float Tau = 6.2831853;

// Keeps a divisor away from zero without losing its sign.
float safe( float v )
{
	return abs( v ) < 1e-4 ? ( v < 0.0 ? -1e-4 : 1e-4 ) : v;
}

float shapeDistance( vec2 p, float shape )
{
	int kind = int( clamp( floor( shape + 0.5 ), 0.0, 4.0 ) );
	vec2 a = abs( p );
	if ( kind == 1 ) return max( a.x, a.y );
	if ( kind == 2 ) return ( a.x + a.y ) * 0.7071068;
	if ( kind == 3 ) return max( a.x * 0.8660254 + a.y * 0.5, a.y );
	float r = length( p );
	if ( kind == 4 ) return r * ( 1.0 + 0.18 * cos( 6.0 * atan( p.y, p.x ) ) );
	return r;
}

// A bright line at every whole value of x, sharper as the strength grows.
float lines( float x, float strength )
{
	return pow( 0.5 + 0.5 * cos( Tau * x ), strength );
}

// Lines winding `turns` times round the tunnel per ring. A spiral closes on itself only with a
// whole number of turns, so the two whole numbers around `turns` are blended: no seam where
// the angle wraps, and the picture changes smoothly as the track moves.
float spiral( float phase, float turns, float angle, float strength )
{
	float whole = floor( turns );
	return mix( lines( phase + whole * angle, strength ),
	            lines( phase + ( whole + 1.0 ) * angle, strength ), turns - whole );
}

void main()
{
	vec2 resolution = max( iResolution, vec2( 1.0 ) );
	vec2 p = ( gl_FragCoord.xy - 0.5 * resolution ) / resolution.y;
	p = ( p - iOffset ) / vec2( safe( iScale.x ), safe( iScale.y ) );

	float twist = mix( iRotate.x, iRotate.y, clamp( length( p ) * 1.2, 0.0, 1.0 ) );
	float c = cos( twist );
	float s = sin( twist );
	p = mat2( c, s, -s, c ) * p;

	float d = mix( shapeDistance( p, iShapes.x ), shapeDistance( p, iShapes.y ),
	               clamp( iShapes.z, 0.0, 1.0 ) );
	d = max( d, 1e-4 );
	float z = abs( iRingRadius ) / d;
	float angle = atan( p.y, p.x ) / Tau;

	float spacing = max( abs( iRingDistance ), 1e-3 );
	float phase = z / spacing - iTime;
	float twirl = iSpirality.w;
	float strength = clamp( iRingStrength, 0.5, 200.0 );
	float rings = spiral( phase, twirl * iSpirality.x, angle, strength )
		+ 0.6 * spiral( 0.5 * phase, -twirl * iSpirality.y, angle, strength )
		+ 0.35 * spiral( 2.0 * phase, twirl * iSpirality.z, angle, strength );

	float depth = z / ( spacing * max( iNumRings, 1e-3 ) );
	float fog = clamp( 1.0 - depth, 0.0, 1.0 );
	fog *= fog;
	vec3 colour = mix( iColStart, iColEnd, clamp( depth * iColMix, 0.0, 1.0 ) );

	float core = exp( -d * max( iGlowStrength, 0.0 ) );
	vec3 picture = colour * rings * fog + iColEnd * core + colour * 0.08 * fog;
	FragColor = vec4( picture, 1.0 );
}
